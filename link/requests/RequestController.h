#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/handshake/PasswordAttemptLimiter.h"
#include "link/requests/RequestControllerDelegate.h"
#include "link/transport/ConnectionController.h"
#include "link/transport/ConnectionControllerDelegate.h"

namespace kestrune {

class Device;
class DeviceUser;
class Message;
class MobileDevice;
class MobileDeviceTrackInfo;
class SessionInfo;

// The phone link's face towards the rest of the system: it owns the connection controller, turns every
// request from a phone into changes of the stored records and calls of its delegate (the coordinator),
// runs pairing and the credentials check, and sends the coordinator's requests to the phone. Main
// thread only.
class RequestController : public ConnectionControllerDelegate,
                          public std::enable_shared_from_this<RequestController> {
public:
    // Request numbers of the link, both directions.
    enum Request : int32_t {
        kRequestMotion = 1,
        kRequestDistance = 3,
        kRequestSendAll = 7,
        kRequestCredentials = 8,
        kRequestSession = 9,
        kRequestPhoneSettings = 10,
        kRequestConnectionStatus = 11,
        kRequestPairing = 12,
        kRequestApplicationState = 13,
        kRequestMacDevice = 32,
        kRequestSessionChanged = 34,
        kRequestTracking = 35,
        kRequestLoginConfirmed = 37,
        kRequestSettings = 40,
        kRequestDeviceUpdate = 49,
        kRequestAuthorizationConfirmed = 50,
        kRequestDeviceInformation = 51,
        kRequestStatus = 52,
        kRequestPairingAccepted = 53,
        kRequestPairingRefused = 54,
        kRequestConfirmLogin = 55,
        kRequestCancelLoginConfirmation = 56,
        kRequestConfirmLoginPasswordField = 67,
        kRequestCancelLoginConfirmationPasswordField = 68,
        kRequestConfirmAuthorization = 72,
        kRequestCancelAuthorization = 73,
        kRequestNotification = 74,
        kRequestClipboard = 75,
        kRequestClipboardReceived = 77,
        kRequestPhoneNotification = 101,
        kRequestPhoneClipboard = 104,
        kRequestPhoneClipboardCopied = 105,
    };
    // The notification code the Mac sends when the phone reports the running user's session.
    static constexpr uint32_t kNotificationSessionReceived = 14;
    // The notification code that tells a phone its credentials were not checked because too many wrong
    // passwords came in a row: it should send them again later. A phone that does not know the code
    // ignores it and sees its status unchanged.
    static constexpr uint32_t kNotificationCredentialsNotCheckedNow = 15;
    static constexpr double kNextPairingDelay = 1.5;

    // Creates the connection controller; main thread.
    static std::shared_ptr<RequestController> init();
    ~RequestController() override;

    std::shared_ptr<RequestControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<RequestControllerDelegate> delegate) { delegate_ = std::move(delegate); }
    const std::shared_ptr<ConnectionController>& connectionController() const {
        return connectionController_;
    }

    // Requests from the phone and pairing
    // ----------------------------------------------------------------------
    void procesRequest_fromMobileDevice(const std::shared_ptr<Message>& message,
                                        const std::shared_ptr<MobileDevice>& device);
    void mobileDevice_connectionAccepted(const std::shared_ptr<MobileDevice>& device, bool accepted);
    void sendPairingRequestToMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void showNextPairingDevice();
    void handleRejectedConnectionForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void updatePairingForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    bool mobileDeviceIsCurrentlyPairing(const std::shared_ptr<MobileDevice>& device);
    void updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
        int32_t status, const std::shared_ptr<MobileDevice>& device, bool remote);
    void notifyDeviceForNewStatusForMobilDevice(const std::shared_ptr<MobileDevice>& device);
    void mobileDeviceDidPair(const std::shared_ptr<MobileDevice>& device);
    void checkRSSIForMobileDeviceAndNotifyDelegate(const std::shared_ptr<MobileDevice>& device);

    // Requests to the phone
    // -----------------------------------------------------------------------------------
    void mobileDeviceDidUpdateRSSI(const std::shared_ptr<MobileDevice>& device);
    void sendDeviceData_toMobileDevice(const std::shared_ptr<Device>& macDevice,
                                       const std::shared_ptr<MobileDevice>& device);
    void didUpdateSessionInforForCurrentDevice(const std::shared_ptr<SessionInfo>& session);
    void didUpdateTrackInfoForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void sendSettingsFromDevice(const std::shared_ptr<MobileDevice>& device);
    void getMobileDeviceInformationIfNeeded(const std::shared_ptr<MobileDevice>& device);
    void confirmLoginForMobileDevice_silent(const std::shared_ptr<MobileDevice>& device, bool silent);
    void cancelLoginConfirmationForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void confirmLoginForMobileDeviceBecausePasswordFieldShown_silent(
        const std::shared_ptr<MobileDevice>& device, bool silent);
    void cancelLoginConfirmationPasswordFieldShownForMobileDevice(
        const std::shared_ptr<MobileDevice>& device);
    void confirmLoginForMobileDevice_forReason(const std::shared_ptr<MobileDevice>& device,
                                               const std::string& reason);
    void cancelLoginConfirmationForMobileDevice_forReason(const std::shared_ptr<MobileDevice>& device,
                                                          const std::string& reason);
    void sendNotification_toMobileDevice_usePushNotificationIfNeeded(
        uint32_t code, const std::shared_ptr<MobileDevice>& device, bool usePush);
    void sendNotification_toMobileDevice(uint32_t code, const std::shared_ptr<MobileDevice>& device);
    void updateClipboardForMobileDevice_clipboardText(const std::shared_ptr<MobileDevice>& device,
                                                      const std::string& text);
    void didCopyClipboard_toMac(bool copied, const std::shared_ptr<MobileDevice>& device);
    void syncAllDeviceSettingsForMobileDevice(const std::shared_ptr<MobileDevice>& device);

    // Forwarded to the connection controller
    // ------------------------------------------------------------------
    void startIntenseScanning();
    void cleanTheIgnoreList();
    void clearTheIgnoreListOfBadConnections();
    void removeDeviceFromIgnoreList(const std::shared_ptr<MobileDevice>& device);
    void disconnectFromAllDevicesImmediatelly(bool immediately);
    void didEstablishConnectionAndFinishedSynWithDevice(const std::shared_ptr<MobileDevice>& device);
    void forgetAllDevices();

    // ConnectionControllerDelegate
    // ----------------------------------------------------------------------------
    void connectionController_didConnectToMobileDevice(ConnectionController& controller,
                                                       const std::shared_ptr<MobileDevice>& device) override;
    void connectionController_didDisconnectFromMobileDevice(
        ConnectionController& controller, const std::shared_ptr<MobileDevice>& device) override;
    void connectionController_didExperienceError(ConnectionController& controller, uint32_t error) override;
    void connectionController_didReceiveMessage_fromMobileDevice(
        ConnectionController& controller, const std::shared_ptr<Message>& message,
        const std::shared_ptr<MobileDevice>& device) override;
    void connectionController_didUpdateRSSI_forMobileDevice(
        ConnectionController& controller, const platform::Number& rssi,
        const std::shared_ptr<MobileDevice>& device) override;
    void connectionController_protocolVersionNotMatching(ConnectionController& controller,
                                                         bool macMustUpdate) override;

    const PasswordAttemptLimiter& passwordAttemptLimiter() const { return passwordAttemptLimiter_; }

    RequestController(const RequestController&) = delete;
    RequestController& operator=(const RequestController&) = delete;

private:
    RequestController() = default;

    // Calls the delegate, or logs that nobody listens yet.
    void tell(const char* what, const std::function<void(RequestControllerDelegate&)>& call);
    void send(const std::shared_ptr<Message>& message, const std::shared_ptr<MobileDevice>& device,
              bool remote = false);
    void handleCredentials(const std::shared_ptr<DeviceUser>& credentials,
                           const std::shared_ptr<MobileDevice>& device);
    void handleSession(const std::shared_ptr<SessionInfo>& session,
                       const std::shared_ptr<MobileDevice>& device);
    void handlePairingRequest(const std::shared_ptr<MobileDevice>& payload,
                              const std::shared_ptr<MobileDevice>& device);
    void handleTracking(const std::shared_ptr<MobileDeviceTrackInfo>& received,
                        const std::shared_ptr<MobileDevice>& device);
    void reportDistance(const std::shared_ptr<MobileDevice>& device);

    std::shared_ptr<ConnectionController> connectionController_;
    std::weak_ptr<RequestControllerDelegate> delegate_;
    PasswordAttemptLimiter passwordAttemptLimiter_;
};

}  // namespace kestrune
