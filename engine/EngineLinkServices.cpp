#include "engine/EngineLinkServices.h"

#include "app/records/Device.h"
#include "app/records/DeviceUser.h"
#include "engine/MotionTracking.h"
#include "engine/UserControl.h"
#include "link/RequestController.h"
#include "platform/base/Log.h"

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

void installEngineLinkServices() {
    AccountServices::install(std::make_shared<EngineAccountServices>());
    MotionDetection::install(std::make_shared<EngineMotionDetection>());
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

void RequestControllerLink::disconnectFromAllDevicesImmediatelly(bool immediately) {
    if (auto link = controller("disconnecting")) link->disconnectFromAllDevicesImmediatelly(immediately);
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

void RequestControllerLink::forgetAllDevices() {
    if (auto link = controller("forgetting the phones")) link->forgetAllDevices();
}

void RequestControllerLink::cleanTheIgnoreList() {
    if (auto link = controller("emptying the ignore list")) link->cleanTheIgnoreList();
}

void RequestControllerLink::didUpdateSessionInforForCurrentDevice(const std::shared_ptr<Device>& device) {
    if (!device || !device->sessionInfo()) return;
    if (auto link = controller("the session state"))
        link->didUpdateSessionInforForCurrentDevice(device->sessionInfo());
}

}  // namespace kestrune
