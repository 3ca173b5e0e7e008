#pragma once

#include <map>
#include <memory>
#include <string>

#include "engine/coordinator/CoordinatorServices.h"
#include "link/requests/MotionDetection.h"
#include "link/transport/AccountServices.h"
#include "link/transport/ShellAnswers.h"

namespace kestrune {

class LoginLogoutController;
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

// The Mac's shell as the link's Bluetooth-cache repair needs it, answered by the Mac session the platform
// has installed (the simulated one here). A command nobody answers is not run on this host, and says so:
// the repair deletes system files with administrator rights.
class EngineShellAnswers : public ShellAnswers {
public:
    std::string runShellCommand(const std::string& command, const std::optional<std::string>& input) override;
    bool checkIfPasswordValidForCurrentUser(const std::string& password) override;
};

// Installs the engine's answers (accounts, motion, the reading intake that smooths what the decider
// judges, the shell) into the link; the coordinator does so before it creates the link.
void installEngineLinkServices();

// The coordinator's requests, carried to the real request controller. The controller is held weakly:
// before it exists and once it is gone a request is logged and dropped.
class RequestControllerLink : public PhoneLinkService {
public:
    explicit RequestControllerLink(std::weak_ptr<RequestController> controller = {})
        : controller_(std::move(controller)) {}
    void setController(std::weak_ptr<RequestController> controller) { controller_ = std::move(controller); }

    void startIntenseScanning() override;
    void clearTheIgnoreListOfBadConnections() override;
    void cleanTheIgnoreList() override;
    void removeDeviceFromIgnoreList(const std::shared_ptr<MobileDevice>& phone) override;
    void disconnectFromAllDevicesImmediatelly(bool immediately) override;
    void forgetAllDevices() override;
    void didEstablishConnectionAndFinishedSynWithDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void checkRSSIForMobileDeviceAndNotifyDelegate(const std::shared_ptr<MobileDevice>& phone) override;
    void sendNotification_toMobileDevice_usePushNotificationIfNeeded(
        int32_t code, const std::shared_ptr<MobileDevice>& phone, bool usePush) override;
    void updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
        int32_t status, const std::shared_ptr<MobileDevice>& phone, bool sendRemoteNotification) override;
    // The link sends the session record; a desktop record without one has nothing to send.
    void didUpdateSessionInforForCurrentDevice(const std::shared_ptr<Device>& device) override;
    void mobileDeviceDidUpdateRSSI(const std::shared_ptr<MobileDevice>& phone) override;
    void didUpdateTrackInfoForMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void syncAllDeviceSettingsForMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void confirmLoginForMobileDevice_silent(const std::shared_ptr<MobileDevice>& phone, bool silent) override;
    void cancelLoginConfirmationForMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void confirmLoginForMobileDeviceBecausePasswordFieldShown_silent(
        const std::shared_ptr<MobileDevice>& phone, bool silent) override;
    void cancelLoginConfirmationPasswordFieldShownForMobileDevice(
        const std::shared_ptr<MobileDevice>& phone) override;
    void confirmLoginForMobileDevice_forReason(const std::shared_ptr<MobileDevice>& phone,
                                               const std::string& reason) override;
    void cancelLoginConfirmationForMobileDevice_forReason(const std::shared_ptr<MobileDevice>& phone,
                                                          const std::string& reason) override;
    void didCopyClipboard_toMac(bool copied, const std::shared_ptr<MobileDevice>& phone) override;
    void mobileDevice_connectionAccepted(const std::shared_ptr<MobileDevice>& phone, bool accepted) override;
    void updateClipboardForMobileDevice_clipboardText(const std::shared_ptr<MobileDevice>& phone,
                                                      const std::string& text) override;

private:
    std::shared_ptr<RequestController> controller(const char* what) const;
    std::weak_ptr<RequestController> controller_;
};

// The coordinator's lock and unlock commands, carried to the real command controller, held weakly as
// the link is.
class LoginLogoutControllerCommands : public LockCommandService {
public:
    explicit LoginLogoutControllerCommands(std::weak_ptr<LoginLogoutController> controller = {})
        : controller_(std::move(controller)) {}
    void setController(std::weak_ptr<LoginLogoutController> controller) {
        controller_ = std::move(controller);
    }

    void lockScreenFromMobileDevice_action_commandReason(const std::shared_ptr<MobileDevice>& phone,
                                                         int32_t action, int32_t reason) override;
    void loginByMobileDevice_withCommandReason(const std::shared_ptr<MobileDevice>& phone,
                                               int32_t reason) override;
    bool isAnyCommandInExecution() override;
    bool isExecutingLoginCommand() override;

private:
    std::weak_ptr<LoginLogoutController> controller_;
};

}  // namespace kestrune
