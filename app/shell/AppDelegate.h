#pragma once

#include <memory>

#include "app/shell/ShellServices.h"
#include "platform/base/NotificationCenter.h"
#include "platform/services/UserNotificationCenter.h"
#include "platform/system/Application.h"

namespace kestrune {

// The application's outer shell: the set-up that must happen before the coordinator runs, and every
// life-cycle event forwarded to the coordinator.
class AppDelegate : public platform::ApplicationDelegate, public platform::UserNotificationCenterDelegate {
public:
    static constexpr const char* kHostedBackendApplicationId = "K7qT2mZ9xR4vB8nL1pW6sD3fH5jC0gY2aE9uN4kM";
    static constexpr const char* kHostedBackendClientKey = "R3dF8hJ1kL6zX9cV2bN5mQ7wE0tY4uI8oP1aS3gD";
    static constexpr const char* kHostedBackendServer = "https://backend.kestrune.app/parse";

    // The coordinator (strong), connected by the program's entry.
    std::shared_ptr<StateMachineInterface> stateMachine;
    // Services of other folders, wired by the program's entry where they exist.
    LanguageSetupService* languageService = nullptr;
    MugShotPathService* mugShotService = nullptr;
    HostedBackendService* hostedBackend = nullptr;
    ReportingKitService* reportingKit = nullptr;

    void applicationWillFinishLaunching(platform::Application&) override;
    void applicationDidFinishLaunching(platform::Application&) override;
    bool applicationShouldHandleReopen_hasVisibleWindows(platform::Application&, bool) override;
    bool applicationShouldTerminateAfterLastWindowClosed(platform::Application&) override;
    TerminateReply applicationShouldTerminate(platform::Application&) override;
    void applicationWillResignActive(platform::Application&) override {}
    void applicationWillTerminate(platform::Application&) override {}

    void macWillShutDown();
    bool appWasLaunchedFromLoginItems() const;
    void setupThirdPartFrameworks();
    void registerForNativeNotificationCallbacks();
    void disableAppFromSleeping() {}

    bool userNotificationCenter_shouldPresentNotification(platform::UserNotificationCenter&,
                                                          const platform::UserNotification&) override;
    void userNotificationCenter_didActivateNotification(platform::UserNotificationCenter&,
                                                        const platform::UserNotification&) override;

private:
    platform::NotificationCenter::Observation powerOffObservation_;
};

}  // namespace kestrune
