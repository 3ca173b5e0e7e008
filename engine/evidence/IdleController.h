#pragma once

#include <cstdint>
#include <memory>

namespace kestrune {

// The power watcher: receives the system's sleep and wake messages on the main run loop, refuses idle
// sleep while the application runs, and posts the application's sleep and wake notifications on the
// default centre.
class IdleController {
public:
    static constexpr const char* kApplicationWillSleepNotification = "applicationWillSleepNotification";
    static constexpr const char* kApplicationWillWakeUpNotification = "applicationWillWakeUpNotification";
    static constexpr const char* kApplicationDidWakeUpPreActionNotification =
        "applicationDidWakeUpPreActionNotification";
    static constexpr const char* kApplicationDidWakeUpNotification = "applicationDidWakeUpNotification";

    static IdleController& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<IdleController> make();
    IdleController();
    ~IdleController();

    bool isRegistered() const { return registration_ != 0; }
    void powerMessage(uint32_t messageType, intptr_t argument);

private:
    uint64_t registration_ = 0;
    // Messages already queued for a controller that has gone are dropped.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kestrune
