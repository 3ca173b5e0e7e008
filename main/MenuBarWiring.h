#pragma once

#include <memory>

#include "engine/coordinator/CoordinatorServices.h"

namespace kestrune {

class MainMenuBarController;

// The status item and its panel for the coordinator. The menu-bar controller is made at the coordinator's
// first call, when it builds its views once launching has finished, as the main interface file connected
// it: before then nothing reads the phone, the updater or Bluetooth for the icon, and no worker thread
// starts before the application takes its signals.
class MenuBarWiring : public MenuBarPanel {
public:
    // The controller, made on first use.
    const std::shared_ptr<MainMenuBarController>& controller();
    // Whether the coordinator has made it yet.
    bool hasController() const { return controller_ != nullptr; }

    void setMainActionDelegate(std::weak_ptr<NavigationDelegate> delegate) override;
    void updateViewForTrackingDevice() override;
    void updateStatusBarIcon() override;
    void openMenuBar() override;
    void openMenuBarForDuration(double seconds) override;
    void closeMenuBar() override;
    void closeMenuBarForced() override;
    void removeIconFromMenuBar() override;
    void showClearBluetoothCache() override;
    void showUnableToLockMac() override;
    void showUnableToUnlockMac() override;
    void showKestruneTemporaryDisabled() override;
    void didUnlinkFromMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void osXVersionNotUpToDate() override;

private:
    std::shared_ptr<MainMenuBarController> controller_;
};

// Installs the menu bar as the coordinator's status item and panel.
void installMenuBar(CoordinatorServices& services);

}  // namespace kestrune
