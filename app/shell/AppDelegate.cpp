#include "app/shell/AppDelegate.h"

#include "platform/base/Log.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Workspace.h"

namespace kestrune {

void AppDelegate::applicationWillFinishLaunching(platform::Application&) {
    platform::MoveToApplications::moveToApplicationsFolderIfNecessary();
}

void AppDelegate::applicationDidFinishLaunching(platform::Application&) {
    platform::logf("Kestrune launching");
    if (languageService) languageService->setupInitialLanguageIfNeeded();
    // Registration only: a value the user stored wins.
    platform::UserDefaults::standard()->registerDefaults({{"NSApplicationCrashOnExceptions", true}});
    powerOffObservation_ = platform::Workspace::shared().notificationCenter().addObserver(
        platform::Workspace::kWillPowerOffNotification, nullptr,
        [this](const platform::Notification&) { macWillShutDown(); });
    setupThirdPartFrameworks();
    disableAppFromSleeping();
    registerForNativeNotificationCallbacks();
    if (stateMachine) stateMachine->applicationDidFinishLoading(!appWasLaunchedFromLoginItems());
}

bool AppDelegate::applicationShouldHandleReopen_hasVisibleWindows(platform::Application&, bool) {
    if (stateMachine) stateMachine->dockItemToggled();
    return true;
}

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed(platform::Application&) {
    return false;
}

AppDelegate::TerminateReply AppDelegate::applicationShouldTerminate(platform::Application&) {
    if (stateMachine) stateMachine->applicationWillTerminate();
    return TerminateReply::Now;
}

void AppDelegate::macWillShutDown() {
    if (stateMachine) stateMachine->macWillShutDown();
}

bool AppDelegate::appWasLaunchedFromLoginItems() const {
    auto event = platform::LaunchEvent::current();
    return event && event->eventID == "oapp" && event->propertyData == "lgit";
}

void AppDelegate::setupThirdPartFrameworks() {
    if (reportingKit) reportingKit->startReportingKit();
    if (hostedBackend) {
        hostedBackend->trackAppOpenedWithLaunchOptions();
        hostedBackend->initializeWithConfiguration(
            {kHostedBackendApplicationId, kHostedBackendClientKey, kHostedBackendServer, true});
    }
}

void AppDelegate::registerForNativeNotificationCallbacks() {
    platform::UserNotificationCenter::defaultCenter().setDelegate(this);
}

bool AppDelegate::userNotificationCenter_shouldPresentNotification(platform::UserNotificationCenter&,
                                                                   const platform::UserNotification&) {
    return true;
}

void AppDelegate::userNotificationCenter_didActivateNotification(
    platform::UserNotificationCenter&, const platform::UserNotification& notification) {
    const std::string& identifier = notification.identifier;
    if (identifier == "kKestruneRegularMugshotSavedNotification") {
        if (mugShotService) {
            platform::Workspace::shared().activateFileViewerSelectingFiles(
                {mugShotService->mugShotFilePathInDocuments()});
        }
    } else if (identifier == "kKestruneDetectedFaileLoginAttempt") {
        if (stateMachine) stateMachine->showFailedLoginWindowWithEntry(nullptr);
    } else if (identifier == "kKestruneLockUnlockNotification") {
        if (stateMachine) stateMachine->showLockUnlockHistory();
    } else {
        if (stateMachine) stateMachine->showMainMenu();
    }
}

}  // namespace kestrune
