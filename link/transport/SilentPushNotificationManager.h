#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/remote/InternetNotifier.h"
#include "link/transport/SilentPushSender.h"

namespace kestrune {

// Decides when a silent push goes to the phone through the hosted backend: wake-up pushes at most once
// in 90 s and not within 90 s of the phone's last activity, owed while the internet is away and sent
// when it returns; pushes carrying a request go out at once, without a limit.
class SilentPushNotificationManager : public SilentPushSender,
                                      public InternetNotifierDelegate,
                                      public std::enable_shared_from_this<SilentPushNotificationManager> {
public:
    static constexpr double kWakeUpSpacing = 90.0;

    // Made on first use; making it starts watching the internet.
    static SilentPushNotificationManager& shared();

    // Call on the main thread: the phone's records are read there, the rest runs in the background.
    void sendSilentNotificationIfNeeded();
    void sendSilentPushToMobileDevice_withString(const std::shared_ptr<MobileDevice>& device,
                                                 const std::optional<std::string>& string) override;
    static void sendSilentPushFromDeviceId_pushId_string(const std::optional<std::string>& deviceId,
                                                         const std::optional<std::string>& pushId,
                                                         const std::optional<std::string>& string);
    void internetNotifier_hasAccesToInternet(InternetNotifier& notifier, bool hasInet) override;

    const std::unique_ptr<InternetNotifier>& internetNotifier() const { return internetNotifier_; }
    bool sendSilentPushWhenInternetAvailable() const { return owed_; }

    // Tests: forget the shared instance.
    static void resetSharedForTesting();

    SilentPushNotificationManager() = default;

private:
    static std::optional<std::string> pushIdOf(const std::shared_ptr<MobileDevice>& device);

    std::unique_ptr<InternetNotifier> internetNotifier_;
    std::atomic<bool> owed_{false};
    // Makes the 90 s rule and its time stamp one step, so two requests never both pass it.
    std::mutex wakeUpMutex_;
};

}  // namespace kestrune
