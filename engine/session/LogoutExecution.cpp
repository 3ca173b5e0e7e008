#include "engine/session/LogoutExecution.h"

#include "engine/session/KeyboardPressSimulator.h"

namespace kestrune {

LogoutExecution& LogoutExecution::shared() {
    static LogoutExecution instance;
    return instance;
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
