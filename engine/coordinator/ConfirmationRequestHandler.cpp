#include "engine/coordinator/ConfirmationRequestHandler.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/NumberFields.h"
#include "app/store/DataManager.h"
#include "engine/evidence/MacDisplayControl.h"

namespace kestrune {

namespace {

bool recent(const EventTimestamp& stamp, double seconds) {
    return stamp.isSet() && stamp.secondsElapsedFromLastEvent() < seconds;
}

bool isConnected(const std::shared_ptr<MobileDevice>& device) {
    return device && device->mobileDeviceConnectionInfo() &&
           boolValueOf(device->mobileDeviceConnectionInfo()->isConnected());
}

}  // namespace

bool ConfirmationRequestHandler::shouldSendSilentRSSIConfirmationReqeustForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    if (recent(confirmationRSSIReqeustSentTimestamp_, kSilentWindowSeconds)) return true;
    if (recent(confirmationReqeustSentTimestamp_, kSilentWindowSeconds)) return true;
    if (sendRSSILoginRequestWhenEnteringRadius_) return false;
    if (!device) return false;
    auto local = DataManager::shared().localSettingsForDevice(device->unId());
    if (!local || local->secondSinceLastDisconnect() > kRecentDisconnectSeconds) return false;
    auto settings = DataManager::shared().settingsForDeviceId(device->unId());
    return settings && settings->iOSSettings() &&
           intValueOf(settings->iOSSettings()->iOSapplicationState()) == 2;
}

bool ConfirmationRequestHandler::shouldSendSilenPasswordConfirmationForMobileDevice(
    const std::shared_ptr<MobileDevice>&) {
    return recent(confirmationReqeustSentTimestamp_, kSilentWindowSeconds);
}

bool ConfirmationRequestHandler::shouldSendUnlockReqeustWhenPasswordAppearedForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    if (!isConnected(device)) return false;
    if (!MacDisplayControl::shared().ifLockOnScreenShownAndDeviceLocked()) return false;
    auto settings = DataManager::shared().settingsForDeviceId(device->unId());
    return settings && settings->OSXSettings() &&
           intValueOf(settings->OSXSettings()->passwordScreenAuthMethod()) > 0;
}

bool ConfirmationRequestHandler::shouldTemporaryDisableKestruneAfterLoginForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    if (!device) return false;
    auto settings = DataManager::shared().settingsForDeviceId(device->unId());
    if (!settings || !settings->mobileDeviceTrackInfo() ||
        !boolValueOf(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice()))
        return false;
    if (!isConnected(device)) return true;
    auto local = DataManager::shared().localSettingsForDevice(device->unId());
    return local && local->kestruneConfirmedLocation() == 1;
}

void ConfirmationRequestHandler::didSendRSSILoginRequest() {
    sendRSSILoginRequestWhenEnteringRadius_ = false;
    confirmationRSSIReqeustSentTimestamp_.eventTriggered();
}

void ConfirmationRequestHandler::didSendPasswordAppearedRequest() {
    sendLoginRequestNextTimeDeviceConnects_ = false;
    confirmationReqeustSentTimestamp_.eventTriggered();
}

void ConfirmationRequestHandler::userDidLogin() {
    confirmationReqeustSentTimestamp_.reset();
    confirmationRSSIReqeustSentTimestamp_.reset();
}

void ConfirmationRequestHandler::userDidLogout() {
    userDidLogin();
    sendRSSILoginRequestWhenEnteringRadius_ = true;
    sendLoginRequestNextTimeDeviceConnects_ = true;
}

}  // namespace kestrune
