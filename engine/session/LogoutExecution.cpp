#include "engine/session/LogoutExecution.h"

#include "engine/session/KeyboardPressSimulator.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

LogoutExecution& LogoutExecution::shared() {
    static platform::SharedInstance<LogoutExecution> instance;
    return instance.get([] { return new LogoutExecution; });
}

void LogoutExecution::executeSleep() {
    {
        std::lock_guard lock(mutex_);
        logoutTimestamp_.eventTriggered();
    }
    KeyboardPressSimulator::putComputerToSleep();
}

double LogoutExecution::secondsSinceLastSleepCommandExecution() const {
    std::lock_guard lock(mutex_);
    return logoutTimestamp_.secondsElapsedFromLastEvent();
}

void LogoutExecution::resetForTesting() {
    std::lock_guard lock(mutex_);
    logoutTimestamp_.reset();
}

}  // namespace kestrune
