#include "main/MenuBarWiring.h"

#include "menubar/statusitem/MainMenuBarController.h"

namespace kestrune {

const std::shared_ptr<MainMenuBarController>& MenuBarWiring::controller() {
    if (!controller_) controller_ = MainMenuBarController::init();
    return controller_;
}

void MenuBarWiring::setMainActionDelegate(std::weak_ptr<NavigationDelegate> delegate) {
    controller()->setMainActionDelegate(std::move(delegate));
}
void MenuBarWiring::updateViewForTrackingDevice() {
    controller()->updateViewForTrackingDevice();
}
void MenuBarWiring::updateStatusBarIcon() {
    controller()->updateStatusBarIcon();
}
void MenuBarWiring::openMenuBar() {
    controller()->openMenuBar();
}
void MenuBarWiring::openMenuBarForDuration(double seconds) {
    controller()->openMenuBarForDuration(seconds);
}
void MenuBarWiring::closeMenuBar() {
    controller()->closeMenuBar();
}
void MenuBarWiring::closeMenuBarForced() {
    controller()->closeMenuBarForced();
}
void MenuBarWiring::removeIconFromMenuBar() {
    controller()->removeIconFromMenuBar();
}
void MenuBarWiring::showClearBluetoothCache() {
    controller()->showClearBluetoothCache();
}
void MenuBarWiring::showUnableToLockMac() {
    controller()->showUnableToLockMac();
}
void MenuBarWiring::showUnableToUnlockMac() {
    controller()->showUnableToUnlockMac();
}
void MenuBarWiring::showKestruneTemporaryDisabled() {
    controller()->showKestruneTemporaryDisabled();
}
void MenuBarWiring::didUnlinkFromMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    controller()->didUnlinkFromMobileDevice(phone);
}
void MenuBarWiring::iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    controller()->iosVersionNotUpToDateForMobileDevice(phone);
}
void MenuBarWiring::osXVersionNotUpToDate() {
    controller()->osXVersionNotUpToDate();
}

void installMenuBar(CoordinatorServices& services) {
    services.menuBar = std::make_shared<MenuBarWiring>();
}

}  // namespace kestrune
