#include "engine/evidence/IdleController.h"

#include <cstdio>

#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"
#include "platform/system/PowerManagement.h"

namespace kestrune {

namespace {
platform::SharedInstance<IdleController> gController;
}  // namespace

IdleController& IdleController::shared() {
    return gController.get([] { return IdleController::make(); });
}

void IdleController::resetSharedForTesting() {
    gController.resetForTesting();
}

std::shared_ptr<IdleController> IdleController::make() {
    return std::make_shared<IdleController>();
}

IdleController::IdleController() {
    registration_ = platform::PowerManagement::current()->registerForSystemPower(
        [this, alive = std::weak_ptr<bool>(alive_)](uint32_t type, intptr_t argument) {
            if (alive.lock()) powerMessage(type, argument);
        });
    if (!registration_) std::printf("IORegisterForSystemPower failed\n");
}

IdleController::~IdleController() {
    if (registration_) platform::PowerManagement::current()->deregisterForSystemPower(registration_);
}

void IdleController::powerMessage(uint32_t messageType, intptr_t argument) {
    platform::logf("messageType %08lx, arg %08lx", static_cast<unsigned long>(messageType),
                   static_cast<unsigned long>(argument));
    auto power = platform::PowerManagement::current();
    auto& center = platform::NotificationCenter::defaultCenter();
    switch (messageType) {
        case platform::kMessageCanSystemSleep:
            // Idle sleep is refused while the application runs.
            power->cancelPowerChange(registration_, argument);
            break;
        case platform::kMessageSystemWillSleep:
            power->cancelPowerChange(registration_, argument);
            platform::logf("System will sleep");
            center.post(kApplicationWillSleepNotification);
            break;
        case platform::kMessageSystemWillPowerOn:
            platform::logf("System has started the wake up process...");
            center.post(kApplicationWillWakeUpNotification);
            break;
        case platform::kMessageSystemHasPoweredOn:
            platform::logf("System has finished waking up...it takes a while for the system flags to update");
            center.post(kApplicationDidWakeUpPreActionNotification);
            center.post(kApplicationDidWakeUpNotification);
            break;
        default:
            break;
    }
}

}  // namespace kestrune
