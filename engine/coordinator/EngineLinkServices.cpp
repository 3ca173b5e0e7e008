#include "engine/coordinator/EngineLinkServices.h"

#include "app/records/Device.h"
#include "app/records/DeviceUser.h"
#include "engine/coordinator/EngineRSSIIntake.h"
#include "engine/evidence/MotionTracking.h"
#include "engine/session/LoginLogoutController.h"
#include "engine/session/UserControl.h"
#include "link/requests/RequestController.h"
#include "platform/base/Log.h"
#include "platform/system/SystemCommands.h"

namespace kestrune {

std::map<std::string, std::shared_ptr<DeviceUser>> EngineAccountServices::getAllMacUsers() {
    return UserControl::getAllMacUsers();
}

std::string EngineAccountServices::getCurrentLogedInUsername() {
    return UserControl::getCurrentLogedInUsername();
}

bool EngineAccountServices::checkIfPassword_validForUserName(const std::string& password,
                                                             const std::string& userName) {
    return UserControl::checkIfPassword_validForUserName(password, userName);
}

// The shared tracker is looked up at each stamp, so a tracker made afresh is the one stamped.
void EngineMotionDetection::motionDetected() {
    MotionTracking::shared().motionDetected();
}

std::string EngineShellAnswers::runShellCommand(const std::string& command,
                                                const std::optional<std::string>& input) {
    auto result = platform::SystemCommands::answerShellCommand(command, input.value_or(""));
    if (!result) {
        platform::logf("Shell command not run: the Mac session does not answer it: %s", command.c_str());
        return "";
    }
    return result->output;
}

bool EngineShellAnswers::checkIfPasswordValidForCurrentUser(const std::string& password) {
    return UserControl::checkIfPassword_validForUserName(password, UserControl::getCurrentLogedInUsername());
}

void installEngineLinkServices() {
    AccountServices::install(std::make_shared<EngineAccountServices>());
    MotionDetection::install(std::make_shared<EngineMotionDetection>());
    EngineRSSIIntake::install();
    ShellAnswers::install(std::make_shared<EngineShellAnswers>());
}

std::shared_ptr<RequestController> RequestControllerLink::controller(const char* what) const {
    auto controller = controller_.lock();
    if (!controller) platform::logf("Link: %s asked with no request controller running; dropped", what);
    return controller;
}

void RequestControllerLink::startIntenseScanning() {
    if (auto link = controller("intense scanning")) link->startIntenseScanning();
}

void RequestControllerLink::clearTheIgnoreListOfBadConnections() {
    if (auto link = controller("clearing the ignore list")) link->clearTheIgnoreListOfBadConnections();
}

void RequestControllerLink::cleanTheIgnoreList() {
    if (auto link = controller("emptying the ignore list")) link->cleanTheIgnoreList();
}

void RequestControllerLink::removeDeviceFromIgnoreList(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto link = controller("taking a phone off the ignore list")) link->removeDeviceFromIgnoreList(phone);
}

void RequestControllerLink::disconnectFromAllDevicesImmediatelly(bool immediately) {
    if (auto link = controller("disconnecting")) link->disconnectFromAllDevicesImmediatelly(immediately);
}

void RequestControllerLink::forgetAllDevices() {
    if (auto link = controller("forgetting the phones")) link->forgetAllDevices();
}

void RequestControllerLink::didEstablishConnectionAndFinishedSynWithDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto link = controller("keeping only the tracked connection"))
        link->didEstablishConnectionAndFinishedSynWithDevice(phone);
}

void RequestControllerLink::checkRSSIForMobileDeviceAndNotifyDelegate(
    const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto link = controller("a signal read")) link->checkRSSIForMobileDeviceAndNotifyDelegate(phone);
}

void RequestControllerLink::sendNotification_toMobileDevice_usePushNotificationIfNeeded(
    int32_t code, const std::shared_ptr<MobileDevice>& phone, bool usePush) {
    // Notification codes on the wire are unsigned; a negative one is a fault of ours, not a code.
    if (code < 0) {
        platform::logf("Link: notification code %d is not a code; nothing sent", code);
        return;
    }
    if (!phone) return;
    if (auto link = controller("a notification"))
        link->sendNotification_toMobileDevice_usePushNotificationIfNeeded(static_cast<uint32_t>(code), phone,
                                                                          usePush);
}

void RequestControllerLink::updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
    int32_t status, const std::shared_ptr<MobileDevice>& phone, bool sendRemoteNotification) {
    if (!phone) return;
    if (auto link = controller("a connection status"))
        link->updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
            status, phone, sendRemoteNotification);
}

void RequestControllerLink::didUpdateSessionInforForCurrentDevice(const std::shared_ptr<Device>& device) {
    if (!device || !device->sessionInfo()) return;
    if (auto link = controller("the session state"))
        link->didUpdateSessionInforForCurrentDevice(device->sessionInfo());
}

void RequestControllerLink::mobileDeviceDidUpdateRSSI(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto link = controller("the distance")) link->mobileDeviceDidUpdateRSSI(phone);
}

void RequestControllerLink::didUpdateTrackInfoForMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto link = controller("the tracking settings")) link->didUpdateTrackInfoForMobileDevice(phone);
}

void RequestControllerLink::syncAllDeviceSettingsForMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto link = controller("the settings")) link->syncAllDeviceSettingsForMobileDevice(phone);
}

void RequestControllerLink::confirmLoginForMobileDevice_silent(const std::shared_ptr<MobileDevice>& phone,
                                                               bool silent) {
    if (!phone) return;
    if (auto link = controller("an unlock confirmation"))
        link->confirmLoginForMobileDevice_silent(phone, silent);
}

void RequestControllerLink::cancelLoginConfirmationForMobileDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto link = controller("withdrawing an unlock confirmation"))
        link->cancelLoginConfirmationForMobileDevice(phone);
}

void RequestControllerLink::confirmLoginForMobileDeviceBecausePasswordFieldShown_silent(
    const std::shared_ptr<MobileDevice>& phone, bool silent) {
    if (!phone) return;
    if (auto link = controller("a password-field confirmation"))
        link->confirmLoginForMobileDeviceBecausePasswordFieldShown_silent(phone, silent);
}

void RequestControllerLink::cancelLoginConfirmationPasswordFieldShownForMobileDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto link = controller("withdrawing a password-field confirmation"))
        link->cancelLoginConfirmationPasswordFieldShownForMobileDevice(phone);
}

void RequestControllerLink::confirmLoginForMobileDevice_forReason(const std::shared_ptr<MobileDevice>& phone,
                                                                  const std::string& reason) {
    if (!phone) return;
    if (auto link = controller("an authorisation confirmation"))
        link->confirmLoginForMobileDevice_forReason(phone, reason);
}

void RequestControllerLink::cancelLoginConfirmationForMobileDevice_forReason(
    const std::shared_ptr<MobileDevice>& phone, const std::string& reason) {
    if (!phone) return;
    if (auto link = controller("withdrawing an authorisation confirmation"))
        link->cancelLoginConfirmationForMobileDevice_forReason(phone, reason);
}

void RequestControllerLink::didCopyClipboard_toMac(bool copied, const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto link = controller("the clipboard result")) link->didCopyClipboard_toMac(copied, phone);
}

void RequestControllerLink::mobileDevice_connectionAccepted(const std::shared_ptr<MobileDevice>& phone,
                                                            bool accepted) {
    if (!phone) return;
    if (auto link = controller("the pairing answer")) link->mobileDevice_connectionAccepted(phone, accepted);
}

void RequestControllerLink::updateClipboardForMobileDevice_clipboardText(
    const std::shared_ptr<MobileDevice>& phone, const std::string& text) {
    if (!phone) return;
    if (auto link = controller("the clipboard text"))
        link->updateClipboardForMobileDevice_clipboardText(phone, text);
}

void LoginLogoutControllerCommands::lockScreenFromMobileDevice_action_commandReason(
    const std::shared_ptr<MobileDevice>& phone, int32_t action, int32_t reason) {
    if (auto controller = controller_.lock())
        controller->lockScreenFromMobileDevice_action_commandReason(phone, action, reason);
    else
        platform::logf("Commands: lock asked with no command controller running; dropped");
}

void LoginLogoutControllerCommands::loginByMobileDevice_withCommandReason(
    const std::shared_ptr<MobileDevice>& phone, int32_t reason) {
    if (auto controller = controller_.lock())
        controller->loginByMobileDevice_withCommandReason(phone, reason);
    else
        platform::logf("Commands: unlock asked with no command controller running; dropped");
}

bool LoginLogoutControllerCommands::isAnyCommandInExecution() {
    auto controller = controller_.lock();
    return controller && controller->isAnyCommandInExecution();
}

bool LoginLogoutControllerCommands::isExecutingLoginCommand() {
    auto controller = controller_.lock();
    return controller && controller->isExecutingLoginCommand();
}

}  // namespace kestrune
