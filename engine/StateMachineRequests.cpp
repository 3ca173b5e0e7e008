// What the phone link reports to the coordinator. Events whose handling exists go to their handler; the
// others are written to the log, so the running system shows what it heard until their handling lands.

#include "app/records/MobileDevice.h"
#include "engine/StateMachine.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

std::string idOf(const std::shared_ptr<MobileDevice>& phone) {
    return phone && phone->unId() ? *phone->unId() : std::string("(none)");
}

void heard(const char* what, const std::shared_ptr<MobileDevice>& phone) {
    platform::logf("Coordinator: %s from phone %s, not handled yet", what, idOf(phone).c_str());
}

}  // namespace

void StateMachine::requestController_protocolVersionNotMatching(RequestController&, bool macMustUpdate) {
    platform::logf("Coordinator: protocol versions differ, the %s must update, not handled yet",
                   macMustUpdate ? "Mac" : "phone");
}
void StateMachine::requestController_didUpdateRSSI_fromMobileDevice(
    RequestController&, const platform::Number&, const std::shared_ptr<MobileDevice>& phone) {
    heard("a distance", phone);
}
void StateMachine::requestController_didDisconnectFromMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    heard("a disconnection", phone);
}
void StateMachine::requestControllerDidExperienceFatalError(RequestController&) {
    requestControllerDidExperienceFatalError();
}
void StateMachine::requestControllerDidExperienceCorruptedBluetoothCache(RequestController&) {
    platform::logf("Coordinator: the Bluetooth cache looks corrupted, not handled yet");
}
void StateMachine::requestController_didReceiveRequestToConnectToMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    heard("a pairing request", phone);
}
void StateMachine::requestController_didSuccessfullyPair_withMobileDevice(
    RequestController&, bool success, const std::shared_ptr<MobileDevice>& phone) {
    heard(success ? "a finished pairing" : "a failed pairing", phone);
}
void StateMachine::requestController_didReceiveMobileNotification(RequestController&, int32_t code) {
    platform::logf("Coordinator: phone notification %d, not handled yet", code);
}
void StateMachine::requestController_didUpdateSessionInfoForDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    heard("a session update", phone);
}
void StateMachine::requestController_didStartSyncingWithMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    heard("the start of syncing", phone);
}
void StateMachine::requestController_didChangeSettings_forMobileDevice(
    RequestController&, const std::shared_ptr<MobileDeviceTrackInfo>&,
    const std::shared_ptr<MobileDevice>& phone) {
    heard("a tracking change", phone);
}
void StateMachine::requestController_didChangeTrackingDistance_forMobileDevice(
    RequestController&, int32_t, const std::shared_ptr<MobileDevice>& phone) {
    heard("a tracking distance", phone);
}
void StateMachine::requestController_didConfirmAuthRequest_forDevice(
    RequestController&, const std::string&, const std::shared_ptr<MobileDevice>& phone) {
    // The text is the phone's answer to an authorisation and is not logged.
    heard("an authorisation answer", phone);
}
void StateMachine::requestController_didReceiveLoginCommandFromMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    requestController_didReceiveLoginCommandFromMobileDevice(phone);
}
void StateMachine::requestController_didReceiveLogoutCommandFromMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    requestController_didReceiveLogoutCommandFromMobileDevice(phone);
}
void StateMachine::requestController_didUpdateApplicationStateFromMobileDevice_withState(
    RequestController&, const std::shared_ptr<MobileDevice>& phone, const platform::Number&) {
    heard("an application state", phone);
}
void StateMachine::requestController_didUpdateConnectionStatus_fromMobileDevice(
    RequestController&, const platform::Number& status, const std::shared_ptr<MobileDevice>& phone) {
    updateConnectionStatus_forDevice_andNotifyDevice(status.intValue(), phone, false);
}
void StateMachine::requestController_didConfirmLogin_fromMobileDevice(
    RequestController&, const platform::Number&, const std::shared_ptr<MobileDevice>& phone) {
    heard("a login confirmation", phone);
}
void StateMachine::requestController_didUpdateMobileDeviceSettings(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    heard("new phone settings", phone);
}
void StateMachine::requestController_didUpdateClipboardText_forDevice(
    RequestController&, const std::string&, const std::shared_ptr<MobileDevice>& phone) {
    heard("clipboard text", phone);
}
void StateMachine::requestController_didUpdateIosClipboard_forDevice(
    RequestController&, bool, const std::shared_ptr<MobileDevice>& phone) {
    heard("a clipboard copy", phone);
}

}  // namespace kestrune
