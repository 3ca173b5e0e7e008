#include "link/transport/SilentPushNotificationManager.h"

#include <cmath>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/iOSPreferences.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "app/support/Common.h"
#include "link/transport/CommandLinePush.h"
#include "platform/base/Clock.h"

namespace kestrune {

namespace {
std::mutex gSharedMutex;
std::shared_ptr<SilentPushNotificationManager> gShared;
}  // namespace

SilentPushNotificationManager& SilentPushNotificationManager::shared() {
    std::shared_ptr<SilentPushNotificationManager> made;
    {
        std::lock_guard lock(gSharedMutex);
        if (gShared) return *gShared;
        made = gShared = std::make_shared<SilentPushNotificationManager>();
    }
    // Outside the lock: setting up tells the delegate at once, which may come back here.
    made->internetNotifier_ = std::make_unique<InternetNotifier>();
    made->internetNotifier_->delegate = made;
    made->internetNotifier_->setUpRechability();
    return *made;
}

void SilentPushNotificationManager::resetSharedForTesting() {
    std::lock_guard lock(gSharedMutex);
    gShared.reset();
}

std::optional<std::string> SilentPushNotificationManager::pushIdOf(
    const std::shared_ptr<MobileDevice>& device) {
    if (!device) return std::nullopt;
    auto settings = DataManager::shared().settingsForDeviceId(device->unId());
    if (!settings || !settings->iOSSettings()) return std::nullopt;
    return settings->iOSSettings()->iOSPushId();
}

void SilentPushNotificationManager::sendSilentNotificationIfNeeded() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!phone) return;
    const auto& connection = phone->mobileDeviceConnectionInfo();
    if (connection && connection->isConnected() && connection->isConnected()->boolValue()) return;
    const auto pushId = pushIdOf(phone);
    if (!pushId) return;
    const auto deviceId = Common::uniqueAppIdentifier();
    std::weak_ptr<SilentPushNotificationManager> weakSelf = weak_from_this();
    runInBackgroundAsync([weakSelf, pushId, deviceId] {
        auto self = weakSelf.lock();
        if (!self) return;
        std::lock_guard lock(self->wakeUpMutex_);
        auto& settings = DeviceLocalSettings::shared();
        const double now = platform::Clock::now();
        if (!(now > static_cast<double>(settings.lastActiveTimestamp()) + kWakeUpSpacing)) return;
        const bool hasInet = self->internetNotifier_ && self->internetNotifier_->hasInet();
        if (!hasInet) {
            self->owed_ = true;
            return;
        }
        settings.setLastActiveTimestamp(static_cast<int64_t>(std::floor(now)));
        sendSilentPushFromDeviceId_pushId_string(deviceId, pushId, std::nullopt);
    });
}

void SilentPushNotificationManager::sendSilentPushToMobileDevice_withString(
    const std::shared_ptr<MobileDevice>& device, const std::optional<std::string>& string) {
    const auto pushId = pushIdOf(device);
    const auto deviceId = Common::uniqueAppIdentifier();
    runInBackgroundAsync(
        [pushId, deviceId, string] { sendSilentPushFromDeviceId_pushId_string(deviceId, pushId, string); });
}

void SilentPushNotificationManager::sendSilentPushFromDeviceId_pushId_string(
    const std::optional<std::string>& deviceId, const std::optional<std::string>& pushId,
    const std::optional<std::string>& string) {
    if (!deviceId || deviceId->empty() || !pushId) return;
    if (string && !string->empty())
        CommandLinePush::pushSilentNotificationToDeviceWithPushId_request_deviceId(*pushId, *string,
                                                                                   *deviceId);
    else
        CommandLinePush::pushSilentNotificationToDeviceWithPushId(*pushId);
}

void SilentPushNotificationManager::internetNotifier_hasAccesToInternet(InternetNotifier&, bool) {
    if (owed_.exchange(false)) sendSilentNotificationIfNeeded();
}

}  // namespace kestrune
