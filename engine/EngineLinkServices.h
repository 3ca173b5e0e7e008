#pragma once

#include <map>
#include <memory>
#include <string>

#include "engine/CoordinatorServices.h"
#include "link/AccountServices.h"
#include "link/MotionDetection.h"

namespace kestrune {

class RequestController;

// The link's questions about the Mac's accounts, answered by the engine's accounts service, so a phone
// pairs only against a password the system itself checked.
class EngineAccountServices : public AccountServices {
public:
    std::map<std::string, std::shared_ptr<DeviceUser>> getAllMacUsers() override;
    std::string getCurrentLogedInUsername() override;
    bool checkIfPassword_validForUserName(const std::string& password, const std::string& userName) override;
};

// The link's motion stamps, kept by the engine's motion tracker that the deciders read.
class EngineMotionDetection : public MotionDetection {
public:
    void motionDetected() override;
};

// Installs both engine answers into the link; the coordinator does so before it creates the link.
void installEngineLinkServices();

// The coordinator's requests, carried to the real request controller. The controller is held weakly:
// once it is gone a request is logged and dropped.
class RequestControllerLink : public PhoneLinkService {
public:
    explicit RequestControllerLink(std::weak_ptr<RequestController> controller)
        : controller_(std::move(controller)) {}

    void startIntenseScanning() override;
    void clearTheIgnoreListOfBadConnections() override;
    void disconnectFromAllDevicesImmediatelly(bool immediately) override;
    void sendNotification_toMobileDevice_usePushNotificationIfNeeded(
        int32_t code, const std::shared_ptr<MobileDevice>& phone, bool usePush) override;
    void updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
        int32_t status, const std::shared_ptr<MobileDevice>& phone, bool sendRemoteNotification) override;
    void forgetAllDevices() override;
    void cleanTheIgnoreList() override;
    // The link sends the session record; a desktop record without one has nothing to send.
    void didUpdateSessionInforForCurrentDevice(const std::shared_ptr<Device>& device) override;

private:
    std::shared_ptr<RequestController> controller(const char* what) const;
    std::weak_ptr<RequestController> controller_;
};

}  // namespace kestrune
