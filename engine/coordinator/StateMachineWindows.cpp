// What the user sees of the application: the settings window with its master list and detail pane, the
// wizards and tutorials pushed onto the detail pane, and the one-page information screens.

#include "app/records/DeviceLocalSettings.h"
#include "app/store/DataManager.h"
#include "app/support/Common.h"
#include "app/support/Localizable.h"
#include "engine/coordinator/StateMachine.h"
#include "engine/coordinator/ViewHelpers.h"
#include "engine/evidence/MacDisplayControl.h"
#include "platform/base/Log.h"
#include "platform/system/WindowServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace kestrune {

namespace {

constexpr const char* kDevicesRow = "devicesMenu";
constexpr const char* kWifiRow = "wifiMenu";
constexpr const char* kUpdatesRow = "updatesMenu";
constexpr const char* kClipboardRow = "clipboardMenu";

bool contains(const platform::DisplayRect& rect, double x, double y) {
    return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}

}  // namespace

std::function<void()> StateMachine::weakAction(std::function<void(StateMachine&)> action) {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    return [weak, action = std::move(action)] {
        if (auto self = weak.lock()) action(*self);
    };
}

// Navigation ----------------------------------------------------------------------------------------------

void StateMachine::showDetailList_source_popToRoot(ScreenController list, int64_t source, bool popToRoot) {
    services_.navigation->showDetailList_title_source_popToRoot(list, "", source, popToRoot);
}

void StateMachine::showDetailController_source_popToRoot(ScreenController controller, int64_t source,
                                                         bool popToRoot) {
    services_.navigation->showDetailController_title_source_popToRoot(controller, "", source, popToRoot);
}

void StateMachine::showDetailList_source(ScreenController list, int64_t source) {
    showDetailList_source_popToRoot(std::move(list), source, false);
}

void StateMachine::showDetailController_source(ScreenController controller, int64_t source) {
    showDetailController_source_popToRoot(std::move(controller), source, false);
}

// The row's page first; then the window comes forward with it.
void StateMachine::showMainScreenWithRowId_completion(const std::string& row,
                                                      std::function<void()> completion) {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    services_.navigation->selectRowId_completion(row, [weak, completion] {
        if (completion) completion();
        if (auto self = weak.lock()) self->showMainWindow();
    });
}

void StateMachine::pushModalController(ScreenController controller) {
    modalController_ = controller;
    if (controller) services_.navigation->pushDetailList(controller);
    showMainWindow();
}

// The main window ----------------------------------------------------------------------------------------

// The display under the centre of the settings window.
std::optional<int64_t> StateMachine::windowDisplayNumber() const {
    const auto& window = services_.splitWindow;
    if (!window) return std::nullopt;
    const auto frame = window->frame();
    const double x = frame.minX() + frame.width() / 2, y = frame.minY() + frame.height() / 2;
    for (const auto& screen : platform::WindowServer::current()->screens())
        if (contains(screen.frame, x, y)) return MacDisplayControl::mainNumber(screen);
    return std::nullopt;
}

void StateMachine::showMainWindow() {
    const auto& window = services_.splitWindow;
    if (!window) return;
    const bool wasVisible = window->isVisible();
    window->makeKeyAndOrderFront(nullptr);
    window->orderFrontRegardless();
    platform::ui::Application::shared().activateIgnoringOtherApps(true);
    // The window opens on the display under the mouse.
    auto& displays = MacDisplayControl::shared();
    auto focus = displays.focusScreen();
    if (focus && windowDisplayNumber() != MacDisplayControl::mainNumber(focus)) {
        const auto& f = focus->frame;
        auto screen =
            std::make_shared<platform::ui::Screen>(platform::ui::Rect{f.x, f.y, f.width, f.height}, 2);
        ViewHelpers::current()->showWindowInCenter(*window, screen);
    }
    if (!wasVisible) platform::logf("Outcome: the settings window is shown");
    updateDockItem();
}

void StateMachine::closeMainWindow() {
    DeviceLocalSettings::shared().setDidCloseMainWindowAtLeastOnce(true);
    if (services_.splitWindow) services_.splitWindow->close();
    // The panel shows the user where the application went.
    later(0.5, [](StateMachine& self) { self.services_.menuBar->openMenuBarForDuration(3.0); });
}

void StateMachine::openWindowOrBounceDock(bool open) {
    if (open)
        showMainWindow();
    else
        services_.system->setDockIconBouncing(true);
}

void StateMachine::setupSettingsSplitView() {
    services_.navigation->initWithDelegate(std::static_pointer_cast<NavigationDelegate>(shared_from_this()));
    services_.navigation->setup(services_.splitWindow);
    updateSettingsSplitView();
}

void StateMachine::updateSettingsSplitView() {
    services_.navigation->setFooterText(Common::versionText());
    services_.navigation->setInitialListViewModelFromFactory();
}

// Wizards and tutorials ----------------------------------------------------------------------------------

void StateMachine::showWizzardOpenWindow(bool open) {
    openWindowOrBounceDock(open);
    services_.navigation->selectRowId_completion(kDevicesRow, nullptr);
}

void StateMachine::showWizzardWithCompletion(std::function<void()> completion) {
    services_.navigation->selectRowId_completion(
        kDevicesRow, weakAction([completion](StateMachine& self) {
            auto wizard = self.services_.tutorials->initialTutorial(
                std::static_pointer_cast<WizzardViewControllerDelegate>(self.shared_from_this()));
            // No wizard, nothing to show it in: what follows its showing does not happen either.
            if (!wizard) return;
            self.services_.navigation->pushDetailController(wizard);
            self.services_.tutorials->updatePairingWizzard();
            if (completion) completion();
        }));
}

void StateMachine::showAddNewDeviceView() {
    toggleRescan();
    showAddNewDeviceViewOpen_withCompletion(true, nullptr);
}

void StateMachine::showAddNewDeviceViewOpen_withCompletion(bool open, std::function<void()> completion) {
    openWindowOrBounceDock(open);
    showWizzardWithCompletion(std::move(completion));
}

void StateMachine::showBluetoothNotSupportedTutorial() {
    showAddNewDeviceViewOpen_withCompletion(
        false, weakAction([](StateMachine& self) { self.services_.tutorials->showBluetoothNotSupported(); }));
}

void StateMachine::showInitialTutorialWithCompletion(std::function<void()> completion) {
    auto tutorials = services_.tutorials;
    auto tutorial = tutorials->proximityUnlockTutorial(
        std::static_pointer_cast<WizzardViewControllerDelegate>(shared_from_this()));
    if (tutorial) {
        // Neither the tutorial nor the coordinator is kept alive by the handler.
        std::weak_ptr<platform::ui::ViewController> weakTutorial = tutorial;
        std::weak_ptr<StateMachine> weak = weak_from_this();
        tutorials->setViewVisibilityHandler(tutorial, [weakTutorial, weak](bool) {
            auto self = weak.lock();
            auto shown = weakTutorial.lock();
            if (!self || !shown) return;
            if (!self->services_.tutorials->isVisible(shown))
                self->services_.tutorials->endAndCleanupTutorial();
        });
        services_.navigation->pushDetailController(tutorial);
    }
    if (completion) completion();
}

void StateMachine::showProximityLockTutorial() {
    if (DataManager::shared().getTrackingMobileDevice()) {
        showInitialTutorialWithCompletion(weakAction([](StateMachine& self) {
            self.services_.tutorials->showKestruneTutorial();
            DeviceLocalSettings::shared().setDidShowTutorialAtLeastOnce(true);
        }));
    } else {
        showWizzardOpenWindow(false);
    }
    showMainWindow();
}

void StateMachine::showMacSleepScreenTutorial() {
    auto tutorial = services_.tutorials->macSleepScreenTutorial(
        std::static_pointer_cast<MacSleepScreenViewControllerDelegate>(shared_from_this()));
    if (tutorial) {
        services_.tutorials->start(tutorial);
        services_.navigation->pushDetailController(tutorial);
    }
    showMainWindow();
}

void StateMachine::showWifiUnlockOptionForSource(int64_t source) {
    auto wizard = services_.tutorials->wifiWizzard(
        std::static_pointer_cast<SafeWifiWizzardDelegate>(shared_from_this()));
    services_.tutorials->updatePageForCurrentState();
    if (wizard) showDetailController_source(wizard, source);
}

void StateMachine::showSystemPreferenceOptionForSource_withCompletion(int64_t source,
                                                                      std::function<void()> completion) {
    auto page = services_.tutorials->systemPreferenceTutorialwithCompletion(std::move(completion));
    if (!page) return;
    services_.tutorials->start(page);
    showDetailController_source(page, source);
}

void StateMachine::showAccessibilityPreferenceOptionForSource_withCompletion(
    int64_t source, std::function<void()> completion) {
    auto page = services_.tutorials->accessilityPreferenceTutorialwithCompletion(std::move(completion));
    if (!page) return;
    services_.tutorials->start(page);
    showDetailController_source(page, source);
}

void StateMachine::showClipboardHowDoesItWork() {
    services_.navigation->selectRowId_completion(
        kClipboardRow, weakAction([](StateMachine& self) {
            auto howTo = self.services_.tutorials->clipboardTutorial(
                std::static_pointer_cast<ClipboardInfoViewControllerDelegate>(self.shared_from_this()));
            if (howTo) self.services_.navigation->pushDetailController(howTo);
        }));
}

void StateMachine::showHelpTranslation() {
    if (auto page = services_.navigation->translationPage()) services_.navigation->pushDetailList(page);
    showMainWindow();
}

void StateMachine::showWifiUnlock() {
    showMainScreenWithRowId_completion(kWifiRow, nullptr);
}

void StateMachine::showUpdates() {
    showMainScreenWithRowId_completion(kUpdatesRow, nullptr);
}

void StateMachine::showTemporaryDisabledInformationWindow() {
    showMainScreenWithRowId_completion(
        kDevicesRow, weakAction([](StateMachine& self) {
            // With the screensaver as the lock, an unfit screensaver set-up is what needs the user first.
            if (DeviceLocalSettings::shared().actionOnLogout() == 1 &&
                !self.services_.system->preconditionsToLockMacOnScreensaverAreSet()) {
                self.updateSecuritySettingsWithCompletion([] {});
                return;
            }
            if (self.services_.features->shouldUnlockForSafeWifi())
                self.showProximityLockDisabledBecauseWifi();
            else
                self.showProximityLockDisabledManualLogin();
        }));
}

// Information screens --------------------------------------------------------------------------------------

namespace {

// What the button of a screen does; each holds the coordinator weakly.
void popAnimated(StateMachine& self) {
    self.popViewModelAnimated(true);
}

}  // namespace

void StateMachine::showAuthRequest() {
    pushModalController(services_.screens->authOptionsVC());
}
void StateMachine::showMacOSNotifications() {
    pushModalController(services_.screens->macOSXNotiicationsVC());
}
void StateMachine::showSiriTutorial() {
    pushModalController(services_.screens->siriTutorialVCAction(
        weakAction([](StateMachine& self) { self.showSiriConfigurationTutorial(); })));
}
void StateMachine::showSiriConfigurationTutorial() {
    pushModalController(services_.screens->setupSiriTutorialVCAction(
        weakAction([](StateMachine& self) { self.popToRootViewModelAnimated(true); })));
}
void StateMachine::showTouchIdTutorial() {
    pushModalController(services_.screens->touchIdTutorialVCAction(weakAction(popAnimated)));
}
void StateMachine::showYesNoTutorial() {
    pushModalController(services_.screens->showYesNoTutorialVCAction(weakAction(popAnimated)));
}
void StateMachine::showKnockKnockTutorial() {
    pushModalController(services_.screens->showKnockKnockTutorialVCAction(weakAction(popAnimated)));
}
void StateMachine::showMacSleepScreenOverlay() {
    pushModalController(services_.screens->macSleepScreenOverlayVC());
}
void StateMachine::showOpenSpaceInfo() {
    pushModalController(services_.screens->openSpaceInfoVC());
}
void StateMachine::showManualPhotosInfo() {
    pushModalController(services_.screens->manualPhotosVCWithCompletion(weakAction(popAnimated)));
}
void StateMachine::showEstimatedDistanceDescription() {
    pushModalController(services_.screens->distanceEstimationVC());
}
void StateMachine::showProximityLockDisabledBecauseWifi() {
    pushModalController(services_.screens->proximityLockDisabledBecauseWifiVC());
}
void StateMachine::showProximityLockDisabledManualLogin() {
    pushModalController(services_.screens->proximityLockDisabledManualLoginVC());
}
void StateMachine::showUpdateKestruneOnYourPhone() {
    pushModalController(services_.screens->updateKestruneOnYourPhoneDone(weakAction(popAnimated)));
}
void StateMachine::showUpdateKestruneOnYourMac() {
    pushModalController(services_.screens->updateMacVersion_check_next(
        localizable("new_update_ready"),
        weakAction([](StateMachine& self) { self.services_.features->checkForUpdatesByUser(); }), nullptr));
}
void StateMachine::showCloseMainWindowTutorial() {
    pushModalController(services_.screens->closeMainWindowTutorial(weakAction([](StateMachine& self) {
        self.closeMainWindow();
        self.later(0.5, [](StateMachine& m) { m.popViewModelAnimated(false); });
    })));
}
void StateMachine::showRateOnAppStore() {
    sendNotification_usePushNotificationIfNeeded(10, false);
    pushModalController(services_.screens->rateOnAppStore(weakAction(popAnimated)));
}
void StateMachine::showConfirmProximityUnlockTutorial() {
    pushModalController(services_.screens->confirmProximityUnlockTutorial(weakAction(popAnimated)));
}

}  // namespace kestrune
