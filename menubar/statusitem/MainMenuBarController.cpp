#include "menubar/statusitem/MainMenuBarController.h"

#include "app/shell/PerformBlockAfterDelay.h"

namespace kestrune {

std::shared_ptr<MainMenuBarController> MainMenuBarController::init() {
    std::shared_ptr<MainMenuBarController> controller(new MainMenuBarController());
    controller->menubarController_ = StatusItemController::initWithDelegate(
        std::static_pointer_cast<MenubarControllerDelegate>(controller));
    return controller;
}

void MainMenuBarController::setMainActionDelegate(std::weak_ptr<NavigationDelegate> delegate) {
    navigationDelegate_ = delegate;
    panelController()->setMainActionDelegate(std::move(delegate));
}

const std::shared_ptr<PanelController>& MainMenuBarController::panelController() {
    if (!panelController_)
        panelController_ = PanelController::initWithDelegate(
            std::static_pointer_cast<PanelControllerDelegate>(shared_from_this()));
    return panelController_;
}

void MainMenuBarController::setHasActiveIcon(bool active) {
    if (menubarController_) menubarController_->setHasActiveIcon(active);
}

void MainMenuBarController::updateStatusBarIcon() {
    if (menubarController_) menubarController_->updateStatusItem();
}

void MainMenuBarController::updateViewForTrackingDevice() {
    if (menubarController_ && menubarController_->hasActiveIcon())
        panelController()->updatePanelForTrackingDeviceAnimated(true);
}

void MainMenuBarController::openMenuBar() {
    invalidateStatusBarCloseTimer();
    if (menubarController_ && !menubarController_->hasActiveIcon()) {
        setHasActiveIcon(true);
        panelController()->setHasActivePanel(true);
    }
    panelController()->updatePanelForTrackingDeviceAnimated(false);
}

void MainMenuBarController::openMenuBarForDuration(double seconds) {
    openMenuBar();
    invalidateStatusBarCloseTimer();
    std::weak_ptr<MainMenuBarController> weak = weak_from_this();
    openStatusItemTimer_ = platform::Timer::scheduledTimer(seconds, false, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->closeMenuBar();
    });
}

void MainMenuBarController::closeMenuBar() {
    // A notice keeps the panel open until its own time is up.
    if (panelController()->notificationActive()) return;
    closeMenuBarForced();
}

void MainMenuBarController::closeMenuBarForced() {
    invalidateStatusBarCloseTimer();
    if (menubarController_ && menubarController_->hasActiveIcon()) {
        setHasActiveIcon(false);
        panelController()->setHasActivePanel(false);
    }
}

void MainMenuBarController::invalidateStatusBarCloseTimer() {
    if (!openStatusItemTimer_) return;
    openStatusItemTimer_->invalidate();
    openStatusItemTimer_ = nullptr;
}

void MainMenuBarController::removeIconFromMenuBar() {
    if (menubarController_) menubarController_->removeIcon();
    menubarController_ = nullptr;
}

void MainMenuBarController::iconFollowsPanel() {
    // A notice opens the panel by itself: the icon shows it open, so that the next click closes it and a
    // forced close reaches it.
    if (panelController_ && panelController_->hasActivePanel()) setHasActiveIcon(true);
}

void MainMenuBarController::didUnlinkFromMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    panelController()->didUnlinkFromMobileDevice(phone);
    iconFollowsPanel();
}

void MainMenuBarController::osXVersionNotUpToDate() {
    auto panel = panelController();
    std::weak_ptr<MainMenuBarController> weak = weak_from_this();
    performAfterDelay_block(panel, kOSXUpdateNoticeDelay, [panel, weak] {
        panel->osxVersionNotUpToDate();
        if (auto self = weak.lock()) self->iconFollowsPanel();
    });
}

void MainMenuBarController::iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    panelController()->iosVersionNotUpToDate(phone);
    iconFollowsPanel();
}

void MainMenuBarController::showBluetoothOffIfNeccesary() {
    panelController()->showBluetoothOffIfNeccesary();
    iconFollowsPanel();
}
void MainMenuBarController::showKestruneTemporaryDisabled() {
    panelController()->showKestruneTemporaryDisabled();
    iconFollowsPanel();
}
void MainMenuBarController::showClearBluetoothCache() {
    panelController()->showClearBluetoothCache();
    iconFollowsPanel();
}
void MainMenuBarController::showUnableToLockMac() {
    panelController()->showUnableToLockMac();
    iconFollowsPanel();
}
void MainMenuBarController::showUnableToUnlockMac() {
    panelController()->showUnableToUnlockMac();
    iconFollowsPanel();
}

void MainMenuBarController::menubarControllerDidToggleMenuItem(StatusItemController& controller) {
    invalidateStatusBarCloseTimer();
    const bool active = !controller.hasActiveIcon();
    controller.setHasActiveIcon(active);
    panelController()->setHasActivePanel(active);
}

void MainMenuBarController::menubarControllerDidToggleMenuItemWithRightClick(StatusItemController&) {
    if (auto d = navigationDelegate()) d->sleepToggled();
}

std::shared_ptr<StatusItemView> MainMenuBarController::statusItemViewForPanelController(PanelController&) {
    return menubarController_ ? menubarController_->statusItemView() : nullptr;
}

void MainMenuBarController::panelDidClose() {
    invalidateStatusBarCloseTimer();
    setHasActiveIcon(false);
}

}  // namespace kestrune
