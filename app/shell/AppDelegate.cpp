#include "app/shell/AppDelegate.h"

#include "platform/base/Log.h"
#include "platform/base/Quit.h"
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
    // The reporting kit's start may hold the launch (it sends the report of a crash during the last
    // start-up before anything else); a quit that came meanwhile ends the launch here, before the rest of
    // the start-up and any window.
    if (platform::Quit::hasBegun()) {
        platform::logf("Kestrune: the quit began during the launch; the rest of the start-up does not run");
        return;
    }
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
    if (hostedBackend && !platform::Quit::hasBegun()) {
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
