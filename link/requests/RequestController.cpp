#include "link/requests/RequestController.h"

#include <string.h>

#include "app/records/Device.h"
#include "app/records/DeviceUser.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/NumberFields.h"
#include "app/records/PairingInfo.h"
#include "app/records/SessionInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "app/support/AESAdditions.h"
#include "link/message/Message.h"
#include "link/message/MessageFactory.h"
#include "link/requests/MotionDetection.h"
#include "link/requests/RSSIIntake.h"
#include "link/transport/AccountServices.h"
#include "link/transport/ConnectionFilter.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

namespace {

std::string deviceIdText(const std::shared_ptr<MobileDevice>& device) {
    return device && device->unId() ? *device->unId() : std::string("(none)");
}

// The phone as its user named it, for the log.
std::string nameOf(const std::shared_ptr<MobileDevice>& device) {
    if (device && device->mobileDeviceInfo() && device->mobileDeviceInfo()->deviceName())
        return *device->mobileDeviceInfo()->deviceName();
    return "phone " + deviceIdText(device);
}

bool sameDevice(const std::shared_ptr<MobileDevice>& a, const std::shared_ptr<MobileDevice>& b) {
    return a && b && (a == b || (a->unId() && a->unId() == b->unId()));
}

bool saysConnected(const std::shared_ptr<MobileDevice>& device) {
    return device && device->mobileDeviceConnectionInfo() &&
           boolValueOf(device->mobileDeviceConnectionInfo()->isConnected());
}

std::shared_ptr<MobileSettings> settingsOf(const std::shared_ptr<MobileDevice>& device) {
    return device ? DataManager::shared().settingsForDeviceId(device->unId()) : nullptr;
}

int32_t statusOf(const std::shared_ptr<MobileSettings>& settings) {
    return settings && settings->pairingInfo() ? intValueOf(settings->pairingInfo()->connectionStatus()) : 0;
}

void setStatus(const std::shared_ptr<MobileSettings>& settings, int32_t status) {
    if (!settings) return;
    if (!settings->pairingInfo()) settings->setPairingInfo(PairingInfo::init());
    settings->pairingInfo()->setConnectionStatus(platform::Number(status));
}

// The clear password leaves memory as soon as it has been used.
void wipe(std::optional<std::string>& text) {
    if (!text) return;
    explicit_bzero(text->data(), text->size());
    text.reset();
}

}  // namespace

std::shared_ptr<RequestController> RequestController::init() {
    auto self = std::shared_ptr<RequestController>(new RequestController());
    self->connectionController_ = ConnectionController::init();
    self->connectionController_->setDelegate(self.get());
    return self;
}

RequestController::~RequestController() {
    if (connectionController_) connectionController_->setDelegate(nullptr);
}

void RequestController::tell(const char* what, const std::function<void(RequestControllerDelegate&)>& call) {
    if (auto receiver = delegate())
        call(*receiver);
    else
        platform::logf("Request controller: nobody listens for %s", what);
}

void RequestController::send(const std::shared_ptr<Message>& message,
                             const std::shared_ptr<MobileDevice>& device, bool remote) {
    if (!device) return;
    connectionController_->sendMessage_toMobileDevice_useRemoteChannelIfNeeded(*message, device, remote);
}

// Dispatch
// -----------------------------------------------------------------------------------------------------

void RequestController::procesRequest_fromMobileDevice(const std::shared_ptr<Message>& message,
                                                       const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    if (!device || !settings) {
        platform::logf("A request from phone %s, which has no stored settings, is ignored",
                       deviceIdText(device).c_str());
        return;
    }
    int32_t request = message ? message->request() : 0;
    const platform::Value& payload = message ? message->payload() : platform::Value::null();
    const platform::Number* number = payload.number();
    const std::string* text = payload.string();
    switch (request) {
        case kRequestMotion:
            MotionDetection::current()->motionDetected();
            reportDistance(device);
            break;
        case kRequestSendAll:
            platform::logf("Requested for whole device");
            syncAllDeviceSettingsForMobileDevice(device);
            break;
        case kRequestCredentials:
            if (auto credentials = payload.objectAs<DeviceUser>()) handleCredentials(credentials, device);
            break;
        case kRequestSession:
            if (auto session = payload.objectAs<SessionInfo>()) handleSession(session, device);
            break;
        case kRequestPhoneSettings:
            DataManager::shared().updateiOSSettings_fromIphoneDevice(payload.objectAs<iOSPreferences>(),
                                                                     device);
            tell("phone settings",
                 [&](auto& d) { d.requestController_didUpdateMobileDeviceSettings(*this, device); });
            break;
        case kRequestConnectionStatus:
            if (number)
                tell("connection status", [&](auto& d) {
                    d.requestController_didUpdateConnectionStatus_fromMobileDevice(*this, *number, device);
                });
            break;
        case kRequestPairing:
            handlePairingRequest(payload.objectAs<MobileDevice>(), device);
            break;
        case kRequestApplicationState:
            if (number)
                tell("application state", [&](auto& d) {
                    d.requestController_didUpdateApplicationStateFromMobileDevice_withState(*this, device,
                                                                                            *number);
                });
            break;
        case kRequestTracking:
            if (auto received = payload.objectAs<MobileDeviceTrackInfo>()) handleTracking(received, device);
            break;
        case kRequestLoginConfirmed:
            if (number)
                tell("login confirmation", [&](auto& d) {
                    d.requestController_didConfirmLogin_fromMobileDevice(*this, *number, device);
                });
            break;
        case kRequestDeviceUpdate: {
            auto update = payload.objectAs<MobileDevice>();
            device->setMobileDeviceInfo(update ? update->mobileDeviceInfo() : nullptr);
            device->setMobileDeviceConnectionInfo(update ? update->mobileDeviceConnectionInfo() : nullptr);
            DataManager::shared().saveCurrentDataModel();
            break;
        }
        case kRequestAuthorizationConfirmed:
            if (text)
                tell("authorization confirmation", [&](auto& d) {
                    d.requestController_didConfirmAuthRequest_forDevice(*this, *text, device);
                });
            break;
        case kRequestPhoneNotification:
            if (number)
                tell("phone notification", [&](auto& d) {
                    d.requestController_didReceiveMobileNotification(*this, number->intValue());
                });
            break;
        case kRequestPhoneClipboard:
            if (text)
                tell("clipboard text", [&](auto& d) {
                    d.requestController_didUpdateClipboardText_forDevice(*this, *text, device);
                });
            break;
        case kRequestPhoneClipboardCopied:
            if (number)
                tell("clipboard copied", [&](auto& d) {
                    d.requestController_didUpdateIosClipboard_forDevice(*this, number->boolValue(), device);
                });
            break;
        default:
            break;
    }
}

void RequestController::reportDistance(const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    if (!settings || !settings->distanceFromDevice()) return;
    platform::Number distance = *settings->distanceFromDevice();
    tell("distance",
         [&](auto& d) { d.requestController_didUpdateRSSI_fromMobileDevice(*this, distance, device); });
}

void RequestController::handleCredentials(const std::shared_ptr<DeviceUser>& credentials,
                                          const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    auto& data = DataManager::shared();
    settings->updateMobileSettingsWithLocalSettings();
    if (!passwordAttemptLimiter_.mayCheckPassword()) {
        // Not a verdict on the password: nothing was checked, so the phone's status and stored password
        // stay as they were. The limit is shared by every phone, and another phone's wrong guesses must not
        // unlink the one the user relies on. The phone learns that it should send the credentials again
        // later, then gets its unchanged status as after any credentials.
        passwordAttemptLimiter_.passwordRefused(deviceIdText(device), false);
        sendNotification_toMobileDevice(kNotificationCredentialsNotCheckedNow, device);
        data.saveCurrentDataModel();
        notifyDeviceForNewStatusForMobilDevice(device);
        didUpdateTrackInfoForMobileDevice(device);
        return;
    }
    std::optional<std::string> clear;
    if (credentials->password())
        clear = AES256DecryptWithKey(*credentials->password(), DataManager::kPasswordKey);
    if (!clear) platform::logf("The password from phone %s does not decrypt", deviceIdText(device).c_str());
    bool valid = clear && AccountServices::current()->checkIfPassword_validForUserName(
                              *clear, credentials->username().value_or(""));
    if (valid) {
        data.unlinkAllKnownTrackingDevices();
        setStatus(settings, PairingInfo::kConnectionStatusPaired);
        settings->setRegisteredDeviceUser(credentials);
        data.setClearTextPassword_forMobileDevice(*clear, device);
    }
    wipe(clear);
    if (valid) {
        passwordAttemptLimiter_.passwordAccepted();
        ConnectionFilter::publishScannerAnswers();
        mobileDeviceDidPair(device);
    } else {
        passwordAttemptLimiter_.passwordRefused(deviceIdText(device), true);
        if (settings->registeredDeviceUser()) settings->registeredDeviceUser()->setPassword(std::nullopt);
        setStatus(settings, PairingInfo::kConnectionStatusCredentialsRefused);
        platform::logf(
            "Outcome: the password %s sent does not open the account \"%s\": the pairing is refused "
            "(status 4), the phone may send it again",
            nameOf(device).c_str(), credentials->username().value_or("").c_str());
        data.setClearTextPassword_forMobileDevice("", device);
    }
    data.saveCurrentDataModel();
    notifyDeviceForNewStatusForMobilDevice(device);
    didUpdateTrackInfoForMobileDevice(device);
}

void RequestController::handleSession(const std::shared_ptr<SessionInfo>& session,
                                      const std::shared_ptr<MobileDevice>& device) {
    std::string user = AccountServices::current()->getCurrentLogedInUsername();
    if (!session->userIdLoggedIn() || *session->userIdLoggedIn() != user) return;
    sendNotification_toMobileDevice(kNotificationSessionReceived, device);
    platform::logf("User is logged in: %s",
                   session->userIsLoggedIn() ? session->userIsLoggedIn()->stringValue().c_str() : "(none)");
    auto mac = DataManager::shared().getActiveDesktopDevice();
    auto macSession = mac ? mac->sessionInfo() : nullptr;
    const auto& received = session->userIsLoggedIn();
    bool differs = !macSession || !macSession->userIsLoggedIn() || !received ||
                   !(*macSession->userIsLoggedIn() == *received);
    if (differs) {
        if (received && received->boolValue())
            tell("login command",
                 [&](auto& d) { d.requestController_didReceiveLoginCommandFromMobileDevice(*this, device); });
        else
            tell("logout command", [&](auto& d) {
                d.requestController_didReceiveLogoutCommandFromMobileDevice(*this, device);
            });
        if (mac) mac->setSessionInfo(session);
    }
    tell("session info", [&](auto& d) { d.requestController_didUpdateSessionInfoForDevice(*this, device); });
}

void RequestController::handlePairingRequest(const std::shared_ptr<MobileDevice>& payload,
                                             const std::shared_ptr<MobileDevice>& device) {
    device->setMobileDeviceInfo(payload ? payload->mobileDeviceInfo() : nullptr);
    device->setMobileDeviceConnectionInfo(payload ? payload->mobileDeviceConnectionInfo() : nullptr);
    auto& data = DataManager::shared();
    if (data.isConnectedToTrackingDevice()) return;
    if (auto pairing = data.pairingMobileDevice()) {
        if (!sameDevice(pairing, device)) data.addMobileDeviceToPairingRequestQueue(device);
        return;
    }
    sendPairingRequestToMobileDevice(device);
}

void RequestController::handleTracking(const std::shared_ptr<MobileDeviceTrackInfo>& received,
                                       const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    auto stored = settings->mobileDeviceTrackInfo();
    bool same = stored && stored->isSameAs(*received);
    bool storedTracking = stored && boolValueOf(stored->shouldTrackMobileDevice());
    bool receivedTracking = boolValueOf(received->shouldTrackMobileDevice());
    if (storedTracking != receivedTracking) {
        settings->updateKestrune_responsibleDevice(receivedTracking, 1);
        tell("tracking switch", [&](auto& d) {
            d.requestController_didChangeSettings_forMobileDevice(*this, received, device);
        });
        MotionDetection::current()->motionDetected();
    }
    int32_t rememberedDistance = stored ? intValueOf(stored->distanceToLogin()) : 0;
    settings->setMobileDeviceTrackInfo(received);
    received->resetTemporaryDisabledFlags();
    int32_t receivedDistance = intValueOf(received->distanceToLogin());
    if (rememberedDistance != receivedDistance)
        tell("tracking distance", [&](auto& d) {
            d.requestController_didChangeTrackingDistance_forMobileDevice(*this, receivedDistance, device);
        });
    if (!same) didUpdateTrackInfoForMobileDevice(device);
    if (saysConnected(device)) reportDistance(device);
    checkRSSIForMobileDeviceAndNotifyDelegate(device);
}

// Pairing
// ------------------------------------------------------------------------------------------------------

void RequestController::mobileDevice_connectionAccepted(const std::shared_ptr<MobileDevice>& device,
                                                        bool accepted) {
    auto settings = settingsOf(device);
    if (!settings) {
        platform::logf("An answer for phone %s, which has no stored settings, is ignored",
                       deviceIdText(device).c_str());
        return;
    }
    settings->updateMobileSettingsWithLocalSettings();
    if (accepted) {
        setStatus(settings, PairingInfo::kConnectionStatusPairingRequested);
        send(MessageFactory::createMessage(kRequestPairingAccepted), device);
    } else {
        setStatus(settings, PairingInfo::kConnectionStatusRefusedByUser);
        send(MessageFactory::createMessage(kRequestPairingRefused), device);
        handleRejectedConnectionForMobileDevice(device);
    }
    updatePairingForMobileDevice(device);
}

void RequestController::sendPairingRequestToMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    setStatus(settingsOf(device), PairingInfo::kConnectionStatusPairingRequested);
    updatePairingForMobileDevice(device);
    DataManager::shared().removeMobileDeviceFromPairingRequestQueue(device);
    tell("pairing request",
         [&](auto& d) { d.requestController_didReceiveRequestToConnectToMobileDevice(*this, device); });
}

void RequestController::showNextPairingDevice() {
    auto next = DataManager::shared().getNextMobileDevice();
    if (next && saysConnected(next)) sendPairingRequestToMobileDevice(next);
}

void RequestController::handleRejectedConnectionForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    connectionController_->blacklistDevicePermanently(device);
    std::weak_ptr<RequestController> weak = weak_from_this();
    platform::RunLoop::main().performAfterDelay(kNextPairingDelay, [weak] {
        if (auto self = weak.lock()) self->showNextPairingDevice();
    });
}

void RequestController::updatePairingForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    auto& data = DataManager::shared();
    bool pairing = mobileDeviceIsCurrentlyPairing(device);
    if (sameDevice(data.pairingMobileDevice(), device) && !pairing) data.clearPairingDevice();
    if (!data.pairingMobileDevice() && pairing) {
        data.setPairingMobileDevice(device);
        data.setDidAcceptPairingDevice(false);
    }
    ConnectionFilter::publishScannerAnswers();
}

bool RequestController::mobileDeviceIsCurrentlyPairing(const std::shared_ptr<MobileDevice>& device) {
    int32_t status = statusOf(settingsOf(device));
    return status == PairingInfo::kConnectionStatusCredentialsRefused ||
           status == PairingInfo::kConnectionStatusPairingRequested;
}

void RequestController::updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
    int32_t status, const std::shared_ptr<MobileDevice>& device, bool remote) {
    auto settings = settingsOf(device);
    if (!settings) {
        platform::logf("A status for phone %s, which has no stored settings, is not stored",
                       deviceIdText(device).c_str());
        return;
    }
    setStatus(settings, status);
    updatePairingForMobileDevice(device);
    send(MessageFactory::createMessage_payload(kRequestStatus, platform::Number(statusOf(settings))), device,
         remote);
}

void RequestController::notifyDeviceForNewStatusForMobilDevice(const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    if (!settings) return;
    send(MessageFactory::createMessage_payload(kRequestStatus, platform::Number(statusOf(settings))), device);
}

void RequestController::mobileDeviceDidPair(const std::shared_ptr<MobileDevice>& device) {
    tell("pairing",
         [&](auto& d) { d.requestController_didSuccessfullyPair_withMobileDevice(*this, true, device); });
    connectionController_->didConnectAndSyncWithOnlyAcceptableConnection();
}

void RequestController::checkRSSIForMobileDeviceAndNotifyDelegate(
    const std::shared_ptr<MobileDevice>& device) {
    connectionController_->readRSSI_intense(device, true);
}

// Connection controller reports -----------------------------------------------------------------------------

void RequestController::connectionController_didConnectToMobileDevice(
    ConnectionController&, const std::shared_ptr<MobileDevice>& device) {
    if (!ConnectionFilter::shouldConnectToMobileDevice(device)) {
        platform::logf("Phone %s is not wanted now; it is turned away for a while", deviceIdText(device).c_str());
        send(MessageFactory::createMessage(kRequestPairingRefused), device);
        connectionController_->blacklistDeviceTemporary(device);
        return;
    }
    if (sameDevice(DataManager::shared().getTrackingMobileDevice(), device))
        connectionController_->whitelistDevice(device);
    MotionDetection::current()->motionDetected();
    tell("start of syncing",
         [&](auto& d) { d.requestController_didStartSyncingWithMobileDevice(*this, device); });
}

void RequestController::connectionController_didDisconnectFromMobileDevice(
    ConnectionController&, const std::shared_ptr<MobileDevice>& device) {
    tell("disconnection", [&](auto& d) { d.requestController_didDisconnectFromMobileDevice(*this, device); });
}

void RequestController::connectionController_didExperienceError(ConnectionController&, uint32_t error) {
    if (error == kErrorCorruptedBluetoothCache)
        tell("corrupted cache",
             [&](auto& d) { d.requestControllerDidExperienceCorruptedBluetoothCache(*this); });
    else if (error == kErrorFatalLink)
        tell("fatal error", [&](auto& d) { d.requestControllerDidExperienceFatalError(*this); });
}

void RequestController::connectionController_didReceiveMessage_fromMobileDevice(
    ConnectionController&, const std::shared_ptr<Message>& message,
    const std::shared_ptr<MobileDevice>& device) {
    procesRequest_fromMobileDevice(message, device);
}

void RequestController::connectionController_didUpdateRSSI_forMobileDevice(
    ConnectionController&, const platform::Number& rssi, const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    if (!settings) {
        platform::logf("A reading of phone %s, which has no stored settings, is dropped",
                       deviceIdText(device).c_str());
        return;
    }
    auto intake = RSSIIntake::current();
    if (!intake->shouldUpdateRSSIForMobileDeviceSettings(settings)) return;
    intake->smoothenRSSI_forMobileDevice(rssi, device);
    reportDistance(device);
}

void RequestController::connectionController_protocolVersionNotMatching(ConnectionController&,
                                                                        bool macMustUpdate) {
    tell("protocol version",
         [&](auto& d) { d.requestController_protocolVersionNotMatching(*this, macMustUpdate); });
}

// Requests to the phone -------------------------------------------------------------------------------------

void RequestController::mobileDeviceDidUpdateRSSI(const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    if (!settings || !saysConnected(device) || statusOf(settings) != PairingInfo::kConnectionStatusPaired)
        return;
    platform::Value distance;
    if (settings->distanceFromDevice()) distance = platform::Value(*settings->distanceFromDevice());
    send(MessageFactory::createMessage_payload(kRequestDistance, distance), device);
}

void RequestController::sendDeviceData_toMobileDevice(const std::shared_ptr<Device>& macDevice,
                                                      const std::shared_ptr<MobileDevice>& device) {
    send(MessageFactory::createMessage_payload(kRequestMacDevice, platform::Value(macDevice)), device);
}

void RequestController::didUpdateSessionInforForCurrentDevice(const std::shared_ptr<SessionInfo>& session) {
    connectionController_->sendMessageToAllConnectedMobileDevices(
        *MessageFactory::createMessage_payload(kRequestSessionChanged, platform::Value(session)));
}

void RequestController::didUpdateTrackInfoForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    if (!settings) return;
    send(MessageFactory::createMessage_payload(kRequestTracking,
                                               platform::Value(settings->mobileDeviceTrackInfo())),
         device);
    MotionDetection::current()->motionDetected();
}

void RequestController::sendSettingsFromDevice(const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    if (!settings) return;
    settings->updateMobileSettingsWithLocalSettings();
    send(MessageFactory::createMessage_payload(kRequestSettings, platform::Value(settings)), device);
}

void RequestController::getMobileDeviceInformationIfNeeded(const std::shared_ptr<MobileDevice>& device) {
    if (!device) return;
    auto info = device->mobileDeviceInfo();
    if (info && info->deviceName() && !info->deviceName()->empty()) return;
    send(Message::initWithRequest(kRequestDeviceInformation), device);
}

void RequestController::confirmLoginForMobileDevice_silent(const std::shared_ptr<MobileDevice>& device,
                                                           bool silent) {
    send(MessageFactory::createMessage_payload(kRequestConfirmLogin, platform::Number(silent)), device);
}

void RequestController::cancelLoginConfirmationForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    send(MessageFactory::createMessage(kRequestCancelLoginConfirmation), device);
}

void RequestController::confirmLoginForMobileDeviceBecausePasswordFieldShown_silent(
    const std::shared_ptr<MobileDevice>& device, bool silent) {
    send(MessageFactory::createMessage_payload(kRequestConfirmLoginPasswordField, platform::Number(silent)),
         device);
}

void RequestController::cancelLoginConfirmationPasswordFieldShownForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    send(MessageFactory::createMessage(kRequestCancelLoginConfirmationPasswordField), device);
}

void RequestController::confirmLoginForMobileDevice_forReason(const std::shared_ptr<MobileDevice>& device,
                                                              const std::string& reason) {
    send(MessageFactory::createMessage_payload(kRequestConfirmAuthorization, reason), device);
}

void RequestController::cancelLoginConfirmationForMobileDevice_forReason(
    const std::shared_ptr<MobileDevice>& device, const std::string& reason) {
    send(MessageFactory::createMessage_payload(kRequestCancelAuthorization, reason), device);
}

void RequestController::sendNotification_toMobileDevice_usePushNotificationIfNeeded(
    uint32_t code, const std::shared_ptr<MobileDevice>& device, bool usePush) {
    send(MessageFactory::createMessage_payload(kRequestNotification, platform::Number(code)), device,
         usePush);
}

void RequestController::sendNotification_toMobileDevice(uint32_t code,
                                                        const std::shared_ptr<MobileDevice>& device) {
    sendNotification_toMobileDevice_usePushNotificationIfNeeded(code, device, false);
}

void RequestController::updateClipboardForMobileDevice_clipboardText(
    const std::shared_ptr<MobileDevice>& device, const std::string& text) {
    send(MessageFactory::createMessage_payload(kRequestClipboard, text), device);
}

void RequestController::didCopyClipboard_toMac(bool copied, const std::shared_ptr<MobileDevice>& device) {
    send(MessageFactory::createMessage_payload(kRequestClipboardReceived, platform::Number(copied)), device);
}

void RequestController::syncAllDeviceSettingsForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    auto mac = DataManager::shared().getActiveDesktopDevice();
    if (mac && mac->sessionInfo()) mac->sessionInfo()->setDeviceResponsibleForLastChange(platform::Number(2));
    sendDeviceData_toMobileDevice(mac, device);
    sendSettingsFromDevice(device);
    getMobileDeviceInformationIfNeeded(device);
}

// Forwarding
// ---------------------------------------------------------------------------------------------------

void RequestController::startIntenseScanning() {
    connectionController_->startTemporaryIntensiveScan();
}

void RequestController::cleanTheIgnoreList() {
    connectionController_->clearBlacklist();
}

void RequestController::clearTheIgnoreListOfBadConnections() {
    connectionController_->clearTemporaryBlacklist();
}

void RequestController::removeDeviceFromIgnoreList(const std::shared_ptr<MobileDevice>& device) {
    connectionController_->removeDeviceFromBlacklist(device);
}

void RequestController::disconnectFromAllDevicesImmediatelly(bool immediately) {
    connectionController_->disconnectFromAllMobileDevicesImmediate(immediately);
}

void RequestController::didEstablishConnectionAndFinishedSynWithDevice(const std::shared_ptr<MobileDevice>&) {
    connectionController_->didConnectAndSyncWithOnlyAcceptableConnection();
}

void RequestController::forgetAllDevices() {
    connectionController_->clearWhitelist();
}

}  // namespace kestrune
