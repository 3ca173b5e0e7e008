#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/Number.h"

namespace kestrune {

class MobileDevice;
class MobileDeviceTrackInfo;
class RequestController;

// What the request dispatcher reports to the coordinator, always on the main thread. Every phone passed
// is a stored record.
class RequestControllerDelegate {
public:
    virtual ~RequestControllerDelegate() = default;

    virtual void requestController_protocolVersionNotMatching(RequestController& controller,
                                                              bool macMustUpdate) = 0;
    // The phone's smoothed distance.
    virtual void requestController_didUpdateRSSI_fromMobileDevice(
        RequestController& controller, const platform::Number& distance,
        const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didDisconnectFromMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestControllerDidExperienceFatalError(RequestController& controller) = 0;
    virtual void requestControllerDidExperienceCorruptedBluetoothCache(RequestController& controller) = 0;
    virtual void requestController_didReceiveRequestToConnectToMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didSuccessfullyPair_withMobileDevice(
        RequestController& controller, bool success, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didReceiveMobileNotification(RequestController& controller,
                                                                int32_t code) = 0;
    virtual void requestController_didUpdateSessionInfoForDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didStartSyncingWithMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didChangeSettings_forMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDeviceTrackInfo>& settings,
        const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didChangeTrackingDistance_forMobileDevice(
        RequestController& controller, int32_t distance, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didConfirmAuthRequest_forDevice(
        RequestController& controller, const std::string& text,
        const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didReceiveLoginCommandFromMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didReceiveLogoutCommandFromMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didUpdateApplicationStateFromMobileDevice_withState(
        RequestController& controller, const std::shared_ptr<MobileDevice>& device,
        const platform::Number& state) = 0;
    virtual void requestController_didUpdateConnectionStatus_fromMobileDevice(
        RequestController& controller, const platform::Number& status,
        const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didConfirmLogin_fromMobileDevice(
        RequestController& controller, const platform::Number& confirmed,
        const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didUpdateMobileDeviceSettings(
        RequestController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didUpdateClipboardText_forDevice(
        RequestController& controller, const std::string& text,
        const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void requestController_didUpdateIosClipboard_forDevice(
        RequestController& controller, bool copied, const std::shared_ptr<MobileDevice>& device) = 0;
};

}  // namespace kestrune
