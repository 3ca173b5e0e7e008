#pragma once

#include <atomic>
#include <memory>
#include <mutex>

namespace kestrune {

class MobileDevice;

// Codes the whole engine shares.
enum : int { kCommandLogin = 0, kCommandLogout = 1 };
enum : int {
    kCommandReasonProximity = 0,
    kCommandReasonFromPhone = 1,
    kCommandReasonConfirmedOnPhone = 2,
    kCommandReasonConnectionLost = 3,
    kCommandReasonChosenOnMac = 4,
    kCommandReasonTrustedWifi = 5,
};
enum : int { kLogoutActionLockScreen = 0, kLogoutActionScreensaver = 1, kLogoutActionDisplayOff = 2 };

// One unlock ("login") or lock ("logout") command with the phone responsible and the reason.
class LoginLogoutCommand {
public:
    static std::shared_ptr<LoginLogoutCommand> initLoginCommandWithDevice(
        std::shared_ptr<MobileDevice> device);
    static std::shared_ptr<LoginLogoutCommand> initLogoutCommandWithDevice_withLogoutAction(
        std::shared_ptr<MobileDevice> device, int action);

    int command() const { return command_; }
    int actionOnLogout() const { return actionOnLogout_; }
    int commandReason() const { return commandReason_; }
    void setCommandReason(int reason) { commandReason_ = reason; }
    std::shared_ptr<MobileDevice> mobileDeviceResponsible() const {
        std::lock_guard lock(mutex_);
        return mobileDeviceResponsible_;
    }

private:
    std::atomic<int> command_{kCommandLogin};
    std::atomic<int> actionOnLogout_{0};
    std::atomic<int> commandReason_{0};
    mutable std::mutex mutex_;
    std::shared_ptr<MobileDevice> mobileDeviceResponsible_;
};

}  // namespace kestrune
