#pragma once

#include <memory>

#include "engine/coordinator/CoordinatorServices.h"
#include "engine/coordinator/MainMenuBarControllerDelegate.h"
#include "engine/coordinator/NavigationDelegate.h"
#include "menubar/panel/PanelController.h"
#include "menubar/panel/PanelControllerDelegate.h"
#include "menubar/statusitem/MenubarControllerDelegate.h"
#include "menubar/statusitem/StatusItemController.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

// The status item and its panel as the coordinator drives them: it keeps the icon's highlight and the
// panel's open state in step (the highlight is the one record of whether the panel is open), opens the
// panel for a limited time, and passes the coordinator's warnings to the panel. A left click opens or
// closes the panel; a right click locks the Mac and never opens it.
class MainMenuBarController : public MenuBarPanel,
                              public PanelControllerDelegate,
                              public MenubarControllerDelegate,
                              public std::enable_shared_from_this<MainMenuBarController> {
public:
    static constexpr double kOSXUpdateNoticeDelay = 2.0;

    // The icon shows at once.
    static std::shared_ptr<MainMenuBarController> init();

    // Stored as the navigation delegate and handed to the panel (the menu gets it from there).
    void setMainActionDelegate(std::weak_ptr<NavigationDelegate> delegate) override;
    std::shared_ptr<NavigationDelegate> navigationDelegate() const { return navigationDelegate_.lock(); }
    void setDelegate(std::weak_ptr<MainMenuBarControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<MainMenuBarControllerDelegate> delegate() const { return delegate_.lock(); }

    // MenuBarPanel: what the coordinator asks.
    void updateStatusBarIcon() override;
    // Refreshes the panel only while it is open.
    void updateViewForTrackingDevice() override;
    void openMenuBar() override;
    void openMenuBarForDuration(double seconds) override;
    void closeMenuBar() override;
    void closeMenuBarForced() override;
    void invalidateStatusBarCloseTimer();
    void removeIconFromMenuBar() override;
    void didUnlinkFromMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void osXVersionNotUpToDate() override;
    void iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>& phone) override;
    void showBluetoothOffIfNeccesary();
    void showKestruneTemporaryDisabled() override;
    void showClearBluetoothCache() override;
    void showUnableToLockMac() override;
    void showUnableToUnlockMac() override;

    // Made on first use, with this object as its delegate.
    const std::shared_ptr<PanelController>& panelController();
    const std::shared_ptr<StatusItemController>& menubarController() const { return menubarController_; }
    const std::shared_ptr<platform::Timer>& openStatusItemTimer() const { return openStatusItemTimer_; }

    // MenubarControllerDelegate
    void menubarControllerDidToggleMenuItem(StatusItemController& controller) override;
    void menubarControllerDidToggleMenuItemWithRightClick(StatusItemController& controller) override;
    // PanelControllerDelegate
    std::shared_ptr<StatusItemView> statusItemViewForPanelController(PanelController& controller) override;
    void panelDidClose() override;

private:
    MainMenuBarController() = default;
    void setHasActiveIcon(bool active);
    void iconFollowsPanel();

    std::shared_ptr<PanelController> panelController_;
    std::weak_ptr<MainMenuBarControllerDelegate> delegate_;
    std::shared_ptr<StatusItemController> menubarController_;
    std::shared_ptr<platform::Timer> openStatusItemTimer_;
    std::weak_ptr<NavigationDelegate> navigationDelegate_;
};

}  // namespace kestrune
