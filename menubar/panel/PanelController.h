#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/support/EventTimestamp.h"
#include "engine/coordinator/MenuBarSettingsDelegate.h"
#include "engine/coordinator/NavigationDelegate.h"
#include "menubar/panel/BackgroundView.h"
#include "menubar/panel/ClipboardView.h"
#include "menubar/panel/KestruneSettingsView.h"
#include "menubar/panel/NotificationViewController.h"
#include "menubar/panel/PanelControllerDelegate.h"
#include "menubar/panel/SingleMobileDeviceView.h"
#include "menubar/panel/WifiUnlockView.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TrackingArea.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowController.h"

namespace kestrune {

class MenuBarSettings;
class MobileDevice;

// The drop-down panel under the status item: the paired phone with its live distance or link state, the
// proximity switch and lock distance, the trusted Wi-Fi and clipboard rows, the lock and settings buttons,
// and, in place of all of that, one notice at a time. Every control only hands the user's wish to the
// navigation delegate; the panel itself changes nothing but its own edit mode.
class PanelController : public ui::WindowController,
                        public NotificationViewControllerDelegate,
                        public MenuBarSettingsDelegate,
                        public ui::WindowDelegate {
public:
    // Geometry, in points.
    static constexpr double kPanelWidth = 275;
    static constexpr double kBaseHeight = 140;
    static constexpr double kProximityRowHeight = 103;
    static constexpr double kRowHeight = 47;
    static constexpr double kBottomBarHeight = 40;
    static constexpr double kScreenEdgeMargin = 8;
    static constexpr double kNotificationSeconds = 4.3;
    static constexpr double kDistanceLabelSpacing = 1.5;
    static constexpr double kClosedCheckDelay = 0.4;
    // Notices of the phone row: 0 none, 1 a corrupted Bluetooth cache.
    static constexpr int32_t kDeviceNoticeNone = 0;
    static constexpr int32_t kDeviceNoticeCorruptedCache = 1;

    // Loads the panel from its layout at once, so that the first opening is quick.
    static std::shared_ptr<PanelController> initWithDelegate(std::weak_ptr<PanelControllerDelegate> delegate);
    ~PanelController() override;

    void setMainActionDelegate(std::weak_ptr<NavigationDelegate> delegate);
    std::shared_ptr<NavigationDelegate> navigationDelegate() const { return navigationDelegate_.lock(); }
    std::shared_ptr<PanelControllerDelegate> delegate() const { return delegate_.lock(); }

    bool hasActivePanel() const { return hasActivePanel_; }
    // Only a change acts: opening, or closing (and ending a notice).
    void setHasActivePanel(bool active);
    // The whole refresh; the flag changes nothing.
    void updatePanelForTrackingDeviceAnimated(bool animated);
    void updatePanel();
    bool notificationActive() const { return notificationActive_; }
    bool isEditMode() const { return isEditMode_; }
    const std::shared_ptr<ui::Window>& currentPanel() const { return currentPanel_; }
    // The panel's window as it shows; while closed, laid out and filled as it would show if opened now.
    // Nothing opens: for pictures of the panel at any moment.
    std::shared_ptr<ui::Window> windowAsItWouldShow();
    const std::shared_ptr<NotificationViewController>& notificationView() const { return notificationView_; }
    const std::shared_ptr<platform::Timer>& notificationTimer() const { return notificationTimer_; }

    // The notices the coordinator asks for.
    void didUnlinkFromMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void osxVersionNotUpToDate();
    void iosVersionNotUpToDate(const std::shared_ptr<MobileDevice>& phone);
    void showClearBluetoothCache();
    void showKestruneTemporaryDisabled();
    void showUnableToLockMac();
    void showUnableToUnlockMac();
    void showUnsolvableErrorNotification();
    void showBluetoothOffIfNeccesary();
    // One notice at a time: the newest replaces what shows, opens the panel and ends 4.3 s later.
    void showNotification_withObject(int64_t state, const std::shared_ptr<MobileDevice>& object);
    void cancelNotificationIfActive();

    // What shows.
    bool shouldHideAllOptions() const;
    bool shouldShowKestruneOptions() const;
    bool shouldShowProximityOptions() const;
    bool shouldShowClipboard() const;
    bool shouldShowWiFiUnlock() const;
    int32_t currentNotification() const;
    bool shouldShowPingButton() const;
    bool shouldShowHelpButton() const;

    // Geometry, in screen coordinates.
    ui::Rect statusRectForWindow(const std::shared_ptr<ui::Window>& window);
    ui::Rect getPanelRect();
    ui::Rect bottomViewRect() const;
    ui::Rect clipboardRect() const;
    ui::Rect wifiUnlockRect() const;
    void updateBackgroundImage();

    // Control actions.
    void sleepToggled();
    void openKestruneToggled();
    void showMainView();
    void helpToggled();
    void rescanToggled();
    void pingToggled();
    void temporaryDisabledToggled();
    void didChangeSwitch();
    void wifiUnlockToggled();
    void wifiInfoButtonToggled();
    void kestruneInfoButtonToggled();
    void clipboardInfoButtonToggled();
    void sendClipboardToIosToggled();
    void troublePairingDevicesTutorial();
    void clearBluetoothCache();
    void notificationButtonToggled();
    void wifiUnlockCheckBox();
    void clipboardCheckBox();
    void proximityCheckBox();
    void editToggled();
    void settingsButtonToggled();
    void distanceSliderDidChange();

    // Pieces of the refresh, kept apart for the rows they touch.
    void updateDistanceLabelForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void showLoadingIndicator();
    void prepareFullScreenUserNotification();
    void removeNotificationFromView();

    // WindowController
    void windowDidLoad() override;
    void cancelOperation(ui::Responder* sender) override;
    // The lock button's hover: its title says what a click does.
    void mouseEntered(const ui::Event& e) override;
    void mouseExited(const ui::Event& e) override;
    // WindowDelegate
    void windowDidResize(ui::Window& window) override;
    void windowDidResignKey(ui::Window& window) override;
    void windowWillClose(ui::Window& window) override;
    void windowDidUpdate(ui::Window& window) override;
    // NotificationViewControllerDelegate
    void notificationViewControllerDidToggleMainButton(NotificationViewController& controller) override;
    void notificationViewControllerDidToggleInfoButton(NotificationViewController& controller) override;
    // MenuBarSettingsDelegate: nothing in the menu calls it.
    void menuBarSettings_didSelectOption(platform::ui::UIObject* menu, int64_t option) override;

    // Outlets, connected by the layout.
    std::shared_ptr<BackgroundView> backgroundView;
    std::shared_ptr<ui::ImageView> backgroundImageView;
    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::View> horizontalLine1;
    std::shared_ptr<ui::Button> kestruneInfoButton;
    std::shared_ptr<ui::Button> wifiInfoButton;
    std::shared_ptr<ui::Button> sleepButton;
    std::shared_ptr<ui::Button> settingsButton;
    std::shared_ptr<MenuBarSettings> settingsController;
    std::shared_ptr<KestruneSettingsView> kestruneSettingsView;
    std::shared_ptr<SingleMobileDeviceView> mobileDeviceView;
    std::shared_ptr<WifiUnlockView> wifiUnlockView;
    std::shared_ptr<ClipboardView> clipboardView;
    std::shared_ptr<ui::View> bootomView;
    std::shared_ptr<ui::Button> editButton;
    std::shared_ptr<ui::Button> openButton;

private:
    PanelController() = default;
    void loadWindowForFastFirstOpening();
    void openPanel();
    void closePanel();
    void panelDidClose();
    void closeFromWithin();
    void closeForNoticeAction();
    void installSleepButtonHoverEffect();
    void setSleepButtonTitle(const std::string& key);
    void resetDeviceRow();
    void updateRows();
    void updateTexts();
    void updateDistanceControls(const std::shared_ptr<MobileDevice>& phone);
    void updateDeviceRowForTrackedPhone(const std::shared_ptr<MobileDevice>& phone);
    void layoutRows();
    void navigate(void (NavigationDelegate::*operation)());

    bool hasActivePanel_ = false;
    std::weak_ptr<PanelControllerDelegate> delegate_;
    std::weak_ptr<NavigationDelegate> navigationDelegate_;
    bool notificationActive_ = false;
    bool isEditMode_ = false;
    std::shared_ptr<platform::Timer> notificationTimer_;
    std::shared_ptr<ui::Window> currentPanel_;
    std::shared_ptr<NotificationViewController> notificationView_;
    EventTimestamp rssiUpdateTimestamp_;
    std::shared_ptr<ui::TrackingArea> sleepButtonTrackingArea_;
    // Counts the notice's comings and goings, so that a fade-out ends only the notice it began with.
    uint64_t noticeGeneration_ = 0;
    static constexpr double kNoticeFadeSeconds = 0.2;
};

}  // namespace kestrune
