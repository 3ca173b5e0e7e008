#include "menubar/panel/PanelController.h"

#include <cmath>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/shell/PerformBlockAfterDelay.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "menubar/MenuBarFacts.h"
#include "menubar/panel/PanelBackgrounds.h"
#include "menubar/settingsmenu/MenuBarSettings.h"
#include "menubar/statusitem/StatusItemView.h"
#include "platform/base/Log.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Application.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Screen.h"
#include "platform/ui/StatusBar.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/text/StringAdditions.h"
#include "uikit/text/TextFieldAdditions.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ViewAnimations.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kPanelLayout;

namespace {

// The level of pop-up menus: the panel stands above ordinary windows as a menu would.
constexpr int kPopUpMenuWindowLevel = 101;
constexpr double kStatusItemWidth = 24;
constexpr double kLineAlpha = 0.25;
// The synthetic click that pops the settings menu up carries these modifier flags, as the platform's did.
constexpr uint64_t kSyntheticClickFlags = 2;

bool isOn(const std::optional<platform::Number>& number) {
    return number && number->boolValue();
}

bool isConnected(const std::shared_ptr<MobileDevice>& phone) {
    return phone && phone->mobileDeviceConnectionInfo() &&
           isOn(phone->mobileDeviceConnectionInfo()->isConnected());
}

std::shared_ptr<MobileDevice> trackedPhone() {
    return DataManager::shared().getTrackingMobileDevice();
}

std::shared_ptr<MobileSettings> settingsOf(const std::shared_ptr<MobileDevice>& phone) {
    return phone ? DataManager::shared().settingsForDeviceId(phone->unId()) : nullptr;
}

// The refresh runs after every reading while the panel is open: a control is touched only when its
// state changes, so that the display pass redraws only what changed.
void setText(const std::shared_ptr<ui::TextField>& field, const std::string& text) {
    if (field && field->stringValue() != text) field->setStringValue(text);
}

void setAlpha(ui::View* view, double alpha) {
    if (view && view->alphaValue() != alpha) view->setAlphaValue(alpha);
}

void customEnable(const std::shared_ptr<ui::Button>& button, bool enabled) {
    if (!button || (button->isEnabled() == enabled && button->alphaValue() == (enabled ? 1.0 : 0.0))) return;
    setCustomEnabled(*button, enabled);
}

void setImageNamed(const std::shared_ptr<ui::Button>& button, const char* name) {
    if (!button) return;
    auto image = ui::Image::imageNamed(name);
    if (button->image() != image) button->setImage(image);
}

void hide(const std::shared_ptr<ui::View>& view, bool hidden) {
    if (view) view->setHidden(hidden);
}

}  // namespace

std::shared_ptr<PanelController> PanelController::initWithDelegate(
    std::weak_ptr<PanelControllerDelegate> delegate) {
    std::shared_ptr<PanelController> controller(new PanelController());
    registerPanelBackgroundsIfMissing();
    controller->initWithWindowNibName(kPanelLayout.name);
    controller->delegate_ = std::move(delegate);
    controller->notificationView_ = NotificationViewController::init();
    controller->notificationView_->setDelegate(controller);
    controller->loadWindowForFastFirstOpening();
    for (const auto& line :
         {controller->horizontalLine1,
          controller->kestruneSettingsView ? controller->kestruneSettingsView->horizontalLine2 : nullptr,
          controller->wifiUnlockView ? controller->wifiUnlockView->wifiUnlockSeparator : nullptr,
          controller->clipboardView ? controller->clipboardView->clipboardSeparator : nullptr})
        if (line) line->setAlphaValue(kLineAlpha);
    controller->installSleepButtonHoverEffect();
    return controller;
}

PanelController::~PanelController() {
    if (notificationTimer_) notificationTimer_->invalidate();
}

void PanelController::loadWindowForFastFirstOpening() {
    window();
    if (mobileDeviceView) mobileDeviceView->addRescanHoverEffect();
}

void PanelController::windowDidLoad() {
    WindowController::windowDidLoad();
    auto w = window();
    if (!w) return;
    w->setAcceptsMouseMovedEvents(true);
    w->setLevel(kPopUpMenuWindowLevel);
    w->setOpaque(false);
    w->setBackgroundColor(ui::Color::clearColor());
    w->setDelegate(std::static_pointer_cast<ui::WindowDelegate>(sharedAs<PanelController>()));
}

void PanelController::setMainActionDelegate(std::weak_ptr<NavigationDelegate> delegate) {
    navigationDelegate_ = delegate;
    if (settingsController) settingsController->setNavigationDelegate(std::move(delegate));
}

// Opening and closing -------------------------------------------------------------------------------------

void PanelController::setHasActivePanel(bool active) {
    if (active == hasActivePanel_) return;
    hasActivePanel_ = active;
    if (active) {
        openPanel();
    } else {
        closePanel();
        cancelNotificationIfActive();
    }
}

void PanelController::openPanel() {
    if (!currentPanel_) currentPanel_ = window();
    auto panel = currentPanel_;
    if (!panel) return;
    ui::Application::shared().activateIgnoringOtherApps(false);
    panel->setAlphaValue(0);
    panel->setFrame_display(getPanelRect(), true);
    panel->makeKeyAndOrderFront(nullptr);
    updatePanelForTrackingDeviceAnimated(false);
    ui::AnimationContext::runGroup([&](ui::AnimationContext& context) {
        context.setDuration(0);
        panel->animator().setFrame(getPanelRect());
        panel->animator().setAlphaValue(1.0);
    });
    setSleepButtonTitle("kestrune");
    // "Outcome: " lines make the timeline of a scenario run.
    platform::logf("Outcome: the menu-bar panel opens");
}

std::shared_ptr<ui::Window> PanelController::windowAsItWouldShow() {
    auto w = window();
    if (!w || hasActivePanel_) return w;
    // The refresh fills the rows only for a panel being shown; the closed state comes back after it.
    const auto shown = currentPanel_;
    currentPanel_ = w;
    updatePanelForTrackingDeviceAnimated(false);
    setSleepButtonTitle("kestrune");
    currentPanel_ = shown;
    // The distance fades in when it changes, a moment after the refresh: shown at once here, as it
    // would be once the panel had opened.
    auto phone = trackedPhone();
    if (phone && isConnected(phone) && !notificationActive_ && mobileDeviceView &&
        mobileDeviceView->distanceLabel) {
        mobileDeviceView->distanceLabel->setStringValue(
            phone->distanceStringWithUserActiveIndication(true).value_or(""));
        mobileDeviceView->distanceLabel->setAlphaValue(1.0);
    }
    return w;
}

void PanelController::closePanel() {
    // After the current event: the window goes once the click that closed it has been handled.
    std::weak_ptr<PanelController> weak = sharedAs<PanelController>();
    runOnMainQueueAsync([weak] {
        auto self = weak.lock();
        // Opened again before this ran: the new panel stays.
        if (!self || self->hasActivePanel_) return;
        const bool wasShown = self->window() && self->window()->isVisible();
        if (auto w = self->window()) w->orderOut(nullptr);
        self->currentPanel_ = nullptr;
        self->panelDidClose();
        if (wasShown) platform::logf("Outcome: the menu-bar panel closes");
    });
}

void PanelController::panelDidClose() {
    isEditMode_ = false;
    if (auto d = delegate()) d->panelDidClose();
}

void PanelController::closeForNoticeAction() {
    // Through the open state, so that the panel is closed in every record and the next click opens it.
    setHasActivePanel(false);
}

void PanelController::closeFromWithin() {
    setHasActivePanel(false);
    panelDidClose();
}

void PanelController::windowDidResignKey(ui::Window& window) {
    if (window.isVisible()) closeFromWithin();
}

void PanelController::windowWillClose(ui::Window&) {
    closeFromWithin();
}

void PanelController::cancelOperation(ui::Responder*) {
    setHasActivePanel(false);
}

void PanelController::windowDidUpdate(ui::Window&) {
    std::weak_ptr<PanelController> weak = sharedAs<PanelController>();
    performStaticAfterDelay_staticBlock(kClosedCheckDelay, [weak] {
        auto self = weak.lock();
        if (!self || !self->hasActivePanel_) return;
        auto w = self->window();
        // Something else took the window away: the panel counts as closed.
        if (!w || !w->isVisible()) self->closeFromWithin();
    });
}

// Notices --------------------------------------------------------------------------------------------------

void PanelController::didUnlinkFromMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    showNotification_withObject(NotificationViewController::kPhoneUnlinkedThisMac, phone);
}

void PanelController::osxVersionNotUpToDate() {
    // The updater tells of it itself when it checks automatically.
    if (MenuBarFacts::current().shouldAutomaticallyCheckForUpdates()) return;
    showNotification_withObject(NotificationViewController::kNewMacApplication, nullptr);
}

void PanelController::iosVersionNotUpToDate(const std::shared_ptr<MobileDevice>& phone) {
    std::string name;
    if (phone && phone->mobileDeviceInfo()) name = phone->mobileDeviceInfo()->deviceName().value_or("");
    notificationView_->setMobileDeviceName(name);
    showNotification_withObject(NotificationViewController::kNewPhoneApplication, phone);
}

void PanelController::showClearBluetoothCache() {
    showNotification_withObject(NotificationViewController::kConnectionProblem, nullptr);
}
void PanelController::showKestruneTemporaryDisabled() {
    showNotification_withObject(NotificationViewController::kProximityTemporarilyDisabled, nullptr);
}
void PanelController::showUnableToLockMac() {
    showNotification_withObject(NotificationViewController::kUnableToLockMac, nullptr);
}
void PanelController::showUnableToUnlockMac() {
    showNotification_withObject(NotificationViewController::kUnableToUnlockMac, nullptr);
}
void PanelController::showUnsolvableErrorNotification() {
    showNotification_withObject(NotificationViewController::kBluetoothErrorNeedsCacheReset, nullptr);
}

void PanelController::showBluetoothOffIfNeccesary() {
    auto& facts = MenuBarFacts::current();
    if (!facts.bluetoothLESupported())
        showNotification_withObject(NotificationViewController::kBluetoothLENotSupported, nullptr);
    else if (!facts.bluetoothIsOn())
        showNotification_withObject(NotificationViewController::kBluetoothOff, nullptr);
    else
        updatePanelForTrackingDeviceAnimated(false);
}

void PanelController::showNotification_withObject(int64_t state, const std::shared_ptr<MobileDevice>&) {
    notificationActive_ = true;
    if (mobileDeviceView) {
        if (auto loading = mobileDeviceView->loadingImage) {
            loading->setAlphaValue(0);
            removeAllAnimations(*loading);
        }
        for (const auto& button : {mobileDeviceView->rescanButton, mobileDeviceView->helpButton,
                                   mobileDeviceView->pingButton, mobileDeviceView->notificationButton})
            customEnable(button, false);
        mobileDeviceView->setLoaderVisible(false);
    }
    hide(wifiUnlockView, true);
    hide(clipboardView, true);

    if (notificationTimer_) notificationTimer_->invalidate();
    std::weak_ptr<PanelController> weak = sharedAs<PanelController>();
    notificationTimer_ =
        platform::Timer::scheduledTimer(kNotificationSeconds, false, [weak](platform::Timer&) {
            if (auto self = weak.lock()) self->cancelNotificationIfActive();
        });

    prepareFullScreenUserNotification();
    notificationView_->setState(state);

    ui::AnimationContext::runGroup([&](ui::AnimationContext& context) {
        context.setDuration(0);
        if (auto w = window()) w->animator().setFrame(getPanelRect());
    });
    setHasActivePanel(true);
    notificationView_->updateSubviewLayout();
}

void PanelController::cancelNotificationIfActive() {
    if (!notificationActive_) return;
    if (notificationTimer_) notificationTimer_->invalidate();
    notificationTimer_ = nullptr;
    notificationActive_ = false;
    removeNotificationFromView();
    setHasActivePanel(false);
}

void PanelController::prepareFullScreenUserNotification() {
    auto notice = notificationView_->view();
    if (!notice || !backgroundView) return;
    ++noticeGeneration_;
    if (mobileDeviceView) {
        notice->setFrame(mobileDeviceView->frame());
        // It stays over the row as the panel's height changes.
        notice->setAutoresizingMask(mobileDeviceView->autoresizingMask());
    }
    notice->setAlphaValue(1.0);
    if (notice->superview() != backgroundView.get()) backgroundView->addSubview(notice);
    if (mobileDeviceView) mobileDeviceView->setAlphaValue(0);
}

void PanelController::removeNotificationFromView() {
    auto notice = notificationView_->view();
    if (!notice || !notice->superview()) return;
    // A notice prepared again while this one fades out stays.
    const uint64_t generation = ++noticeGeneration_;
    std::weak_ptr<PanelController> weak = sharedAs<PanelController>();
    setAlpha_withDuration_completion(*notice, 0, kNoticeFadeSeconds, [weak, notice, generation] {
        auto self = weak.lock();
        if (!self || self->noticeGeneration_ != generation) return;
        notice->removeFromSuperview();
        notice->setAlphaValue(1.0);
    });
}

// What shows
// -------------------------------------------------------------------------------------------------

bool PanelController::shouldHideAllOptions() const {
    return notificationActive_ || !MenuBarFacts::current().bluetoothIsOn();
}

bool PanelController::shouldShowKestruneOptions() const {
    if (shouldHideAllOptions()) return false;
    if (isEditMode_) return true;
    return isConnected(trackedPhone());
}

bool PanelController::shouldShowProximityOptions() const {
    if (isEditMode_) return true;
    if (notificationActive_) return false;
    return shouldShowKestruneOptions() && DeviceLocalSettings::shared().showKestruneProximityOption();
}

bool PanelController::shouldShowClipboard() const {
    if (isEditMode_) return true;
    if (notificationActive_) return false;
    return shouldShowKestruneOptions() && DeviceLocalSettings::shared().showClipboardManagerOnMainScreen();
}

bool PanelController::shouldShowWiFiUnlock() const {
    if (isEditMode_) return true;
    if (notificationActive_) return false;
    return DeviceLocalSettings::shared().showWifiUnlockOnMainScreen();
}

int32_t PanelController::currentNotification() const {
    auto& facts = MenuBarFacts::current();
    if (!facts.bluetoothIsOn()) return kDeviceNoticeNone;
    return facts.sholdShowCorruptedBluetoothCacheError() ? kDeviceNoticeCorruptedCache : kDeviceNoticeNone;
}

bool PanelController::shouldShowPingButton() const {
    return MenuBarFacts::current().trackingDeviceIsConnected();
}

bool PanelController::shouldShowHelpButton() const {
    if (currentNotification() != kDeviceNoticeNone || !MenuBarFacts::current().bluetoothLEIsOn())
        return false;
    return !isConnected(trackedPhone());
}

// Geometry
// ---------------------------------------------------------------------------------------------------

ui::Rect PanelController::statusRectForWindow(const std::shared_ptr<ui::Window>&) {
    std::shared_ptr<StatusItemView> view;
    if (auto d = delegate()) view = d->statusItemViewForPanelController(*this);
    if (view) {
        ui::Rect rect = view->globalRect();
        rect.origin.y -= rect.height() + 2;
        return rect;
    }
    const ui::Rect screen = ui::Screen::mainScreen()->frame();
    const double thickness = ui::StatusBar::systemStatusBar().thickness();
    return {std::round((screen.width() - kStatusItemWidth) * 0.5), screen.height() - 2 * thickness - 2,
            kStatusItemWidth, thickness};
}

ui::Rect PanelController::getPanelRect() {
    auto w = window();
    currentPanel_ = w;
    double height = kBaseHeight;
    if (shouldShowProximityOptions()) height += kProximityRowHeight;
    if (shouldShowWiFiUnlock()) height += kRowHeight;
    if (shouldShowClipboard()) height += kRowHeight;
    if (!notificationActive_) height += kBottomBarHeight;
    const ui::Rect status = statusRectForWindow(w);
    double x = std::round(static_cast<float>(status.midX() - kPanelWidth * 0.5));
    const double y = status.maxY() - height;
    const double rightLimit = ui::Screen::mainScreen()->frame().maxX() - kScreenEdgeMargin;
    if (x + kPanelWidth > rightLimit) x = rightLimit - kPanelWidth;
    return {x, y, kPanelWidth, height};
}

ui::Rect PanelController::bottomViewRect() const {
    return {0, 0, bootomView ? bootomView->frame().width() : kPanelWidth, kBottomBarHeight};
}

ui::Rect PanelController::clipboardRect() const {
    return {0, kBottomBarHeight, clipboardView ? clipboardView->frame().width() : kPanelWidth, kRowHeight};
}

ui::Rect PanelController::wifiUnlockRect() const {
    const double y = shouldShowClipboard() ? kBottomBarHeight + kRowHeight : kBottomBarHeight;
    return {0, y, wifiUnlockView ? wifiUnlockView->frame().width() : kPanelWidth, kRowHeight};
}

void PanelController::windowDidResize(ui::Window& window) {
    if (backgroundView) {
        const ui::Rect status = statusRectForWindow(window.sharedWindow());
        backgroundView->setArrowX(static_cast<int64_t>(std::round(status.midX())) -
                                  static_cast<int64_t>(window.frame().minX()));
    }
    updateBackgroundImage();
}

void PanelController::updateBackgroundImage() {
    if (!backgroundImageView) return;
    auto w = isWindowLoaded() ? window() : nullptr;
    const double height = w ? w->frame().height() : 0;
    const char* name = (!w || height <= 150) ? "notification_background"
                       : height <= 253       ? "menubar_background"
                                             : "menubar_background_big";
    auto current = backgroundImageView->image();
    if (!current || current->name() != name) backgroundImageView->setImage(ui::Image::imageNamed(name));
    if (w) backgroundImageView->setFrame({0, 0, w->frame().width(), height});
}

// The refresh
// -------------------------------------------------------------------------------------------------

void PanelController::updatePanel() {
    updatePanelForTrackingDeviceAnimated(true);
}

void PanelController::updatePanelForTrackingDeviceAnimated(bool) {
    auto& facts = MenuBarFacts::current();
    if (settingsButton)
        settingsButton->setImage(ui::Image::imageNamed(
            facts.anyNewVersionAvailable() ? "update_settings_notification" : "menubar_settings_button"));
    resetDeviceRow();

    if (!facts.bluetoothLESupported()) {
        notificationView_->setState(NotificationViewController::kBluetoothLENotSupported);
        if (currentPanel_)
            showNotification_withObject(NotificationViewController::kBluetoothLENotSupported, nullptr);
        return;
    }

    updateRows();
    if (notificationActive_ || !currentPanel_) return;
    updateTexts();

    auto phone = trackedPhone();
    updateDistanceControls(phone);
    if (mobileDeviceView && mobileDeviceView->mobileImageView) {
        auto image = mobileDeviceView->mobileImageView->image();
        if (!image || image->name() != "menubar_iphone")
            mobileDeviceView->mobileImageView->setImage(ui::Image::imageNamed("menubar_iphone"));
    }
    customEnable(kestruneInfoButton, true);

    if (!facts.bluetoothIsOn()) {
        prepareFullScreenUserNotification();
        notificationView_->setState(NotificationViewController::kBluetoothOff);
        if (settingsController) settingsController->setMobileDevice(nullptr);
    } else if (!phone) {
        prepareFullScreenUserNotification();
        notificationView_->setState(currentNotification() == kDeviceNoticeCorruptedCache
                                        ? NotificationViewController::kNoPairedPhoneCorruptedCache
                                        : NotificationViewController::kNoPairedPhone);
        if (settingsController) settingsController->setMobileDevice(nullptr);
    } else {
        updateDeviceRowForTrackedPhone(phone);
    }

    if (mobileDeviceView) {
        if (mobileDeviceView->pingButton) {
            const bool ping = shouldShowPingButton();
            if (ping) setImageNamed(mobileDeviceView->pingButton, "menubar_ping");
            customEnable(mobileDeviceView->pingButton, ping);
        }
        if (mobileDeviceView->notificationButton) {
            const bool alert = currentNotification() == kDeviceNoticeCorruptedCache;
            if (alert) setImageNamed(mobileDeviceView->notificationButton, "alert_button");
            customEnable(mobileDeviceView->notificationButton, alert);
        }
    }
    layoutRows();
}

void PanelController::resetDeviceRow() {
    if (mobileDeviceView) {
        if (auto loading = mobileDeviceView->loadingImage) {
            loading->setAlphaValue(0);
            removeAllAnimations(*loading);
        }
        for (const auto& button : {mobileDeviceView->rescanButton, mobileDeviceView->helpButton,
                                   mobileDeviceView->pingButton, mobileDeviceView->notificationButton})
            customEnable(button, false);
    }
    if (bootomView) {
        const ui::Color white = ui::Color::colorWithCalibratedWhite_alpha(0.6, 1);
        auto layer = bootomView->layer();
        if (!layer || layer->backgroundColor() != white.colorWithAlphaComponent(0.5))
            setBackgouroundColor_withAlpha(*bootomView, white, 0.5);
    }
    if (mobileDeviceView) mobileDeviceView->setLoaderVisible(false);
}

void PanelController::updateRows() {
    auto& local = DeviceLocalSettings::shared();
    hide(clipboardView, !shouldShowClipboard());
    hide(wifiUnlockView, !shouldShowWiFiUnlock());
    if (auto control = wifiUnlockView ? wifiUnlockView->wifiUnlockSwitch : nullptr) {
        const bool on = MenuBarFacts::current().safeWifiTurnedOn();
        if (control->isOn() != on) control->setOn(on);
    }
    hide(kestruneSettingsView, !shouldShowProximityOptions());
    if (openButton && openButton->title() != localizable("open_kestrune"))
        openButton->setTitle(localizable("open_kestrune"));

    const std::pair<std::shared_ptr<ui::Button>, bool> boxes[] = {
        {wifiUnlockView ? wifiUnlockView->checkBox : nullptr, local.showWifiUnlockOnMainScreen()},
        {clipboardView ? clipboardView->checkBox : nullptr, local.showClipboardManagerOnMainScreen()},
        {kestruneSettingsView ? kestruneSettingsView->checkBox : nullptr,
         local.showKestruneProximityOption()},
    };
    for (const auto& [box, shown] : boxes) {
        if (!box) continue;
        box->setHidden(!isEditMode_);
        if (isEditMode_) box->setState(shown ? ui::kStateOn : ui::kStateOff);
    }
}

void PanelController::updateTexts() {
    setText(titleLabel, localizable("kestrune"));
    if (wifiUnlockView) setText(wifiUnlockView->wifiUnlockLabel, localizable("wifi_unlock"));
    if (clipboardView) setText(clipboardView->clipboardLabel, localizable("clipboard"));
    if (kestruneSettingsView) setText(kestruneSettingsView->kestruneLabel, localizable("kestrune"));
    if (mobileDeviceView) setText(mobileDeviceView->noteLabel, "");
}

void PanelController::updateDistanceControls(const std::shared_ptr<MobileDevice>& phone) {
    if (!kestruneSettingsView) return;
    auto settings = settingsOf(phone);
    auto& local = DeviceLocalSettings::shared();
    setText(kestruneSettingsView->distanceTextLabel,
            settings ? stringWithMaxLengt(settings->distanceDescriptionString(), 12) : "");
    if (auto slider = kestruneSettingsView->distanceSlider) {
        if (slider->maxValue() != local.maxRssiValue()) slider->setMaxValue(local.maxRssiValue());
        if (slider->minValue() != local.minRssiValue()) slider->setMinValue(local.minRssiValue());
    }
    customEnable(kestruneSettingsView->temporaryDisabledButton, false);
}

void PanelController::updateDeviceRowForTrackedPhone(const std::shared_ptr<MobileDevice>& phone) {
    auto& facts = MenuBarFacts::current();
    removeNotificationFromView();
    auto row = mobileDeviceView;
    if (!row) return;
    setText(row->nameLabel,
            phone->mobileDeviceInfo() ? phone->mobileDeviceInfo()->deviceName().value_or("") : "");
    setAlpha(row->distanceLabel.get(), 1.0);

    auto settings = settingsOf(phone);
    auto track = settings ? settings->mobileDeviceTrackInfo() : nullptr;
    if (isConnected(phone)) {
        updateDistanceLabelForMobileDevice(phone);
        auto& local = DeviceLocalSettings::shared();
        const bool paused = (track && isOn(track->proxLockTemporaryDisabledBecauseLogin())) ||
                            facts.shouldUnlockForSafeWifi();
        if (kestruneSettingsView) {
            if (paused) {
                customEnable(kestruneSettingsView->temporaryDisabledButton, true);
                customEnable(kestruneInfoButton, false);
            } else if (local.actionOnLogout() == 1 && !facts.preconditionsToLockMacOnScreensaverAreSet()) {
                customEnable(kestruneSettingsView->temporaryDisabledButton, true);
            }
        }
    } else if (facts.isInitializingBLE()) {
        setText(row->distanceLabel, localizable("initalizingBLE"));
        showLoadingIndicator();
        customEnable(row->rescanButton, false);
        row->setLoaderVisible(true);
    } else {
        const bool scanning = facts.scanningTimerIsActive();
        setText(row->distanceLabel, localizable(scanning ? "scanning" : "rescan"));
        if (scanning) showLoadingIndicator();
        customEnable(row->rescanButton, !scanning);
        row->setLoaderVisible(true);
        customEnable(row->helpButton, shouldShowHelpButton());
    }

    if (kestruneSettingsView) {
        const bool tracking = track && isOn(track->shouldTrackMobileDevice());
        if (auto control = kestruneSettingsView->proximitySwitch; control && control->isOn() != tracking)
            control->setOn(tracking);
        if (auto slider = kestruneSettingsView->distanceSlider; slider && track && track->distanceToLogin()) {
            const double distance = track->distanceToLogin()->intValue();
            if (slider->doubleValue() != distance) slider->setDoubleValue(distance);
        }
        setText(kestruneSettingsView->distanceTextField, settings ? settings->distanceToLockString() : "");
    }
    setAlpha(row.get(), 1.0);
    if (settingsController) settingsController->setMobileDevice(phone);
    row->layoutForTrackedPhone();
}

void PanelController::layoutRows() {
    auto w = window();
    const ui::Rect panel = getPanelRect();
    ui::AnimationContext::runGroup([&](ui::AnimationContext& context) {
        context.setDuration(0);
        // Only what moves: a reading that changes nothing lays nothing out again.
        if (w && w->frame() != panel) w->animator().setFrame(panel);
        for (const auto& [row, rect] : {std::pair<ui::View*, ui::Rect>{bootomView.get(), bottomViewRect()},
                                        {wifiUnlockView.get(), wifiUnlockRect()},
                                        {clipboardView.get(), clipboardRect()}})
            if (row && row->frame() != rect) row->sharedView()->animator().setFrame(rect);
    });
}

void PanelController::updateDistanceLabelForMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    // Readings come faster than the eye follows: at most one new text in 1.5 s. The last one of a burst
    // may stay unshown until the next reading.
    if (!rssiUpdateTimestamp_.moreSecondsElapsedSinceLastTrigger(kDistanceLabelSpacing)) return;
    rssiUpdateTimestamp_.eventTriggered();
    if (!phone || !mobileDeviceView || !mobileDeviceView->distanceLabel) return;
    setAnimatedStringValue(*mobileDeviceView->distanceLabel,
                           phone->distanceStringWithUserActiveIndication(true).value_or(""));
}

void PanelController::showLoadingIndicator() {
    if (!mobileDeviceView || !mobileDeviceView->loadingImage) return;
    auto& loading = *mobileDeviceView->loadingImage;
    removeAllAnimations(loading);
    setAlpha_withDuration(loading, 1.0, 0.5);
    runSpinAnimationWithduration_rotations_repeat(loading, 4.0, -1.4, 200);
}

// Control actions ------------------------------------------------------------------------------------------

void PanelController::navigate(void (NavigationDelegate::*operation)()) {
    if (auto d = navigationDelegate()) ((*d).*operation)();
}

void PanelController::sleepToggled() {
    navigate(&NavigationDelegate::sleepToggled);
}
void PanelController::openKestruneToggled() {
    navigate(&NavigationDelegate::toggleShowMainView);
}
void PanelController::showMainView() {
    navigate(&NavigationDelegate::toggleShowMainView);
}
void PanelController::helpToggled() {
    navigate(&NavigationDelegate::toggleHelp);
}
void PanelController::rescanToggled() {
    navigate(&NavigationDelegate::toggleRescan);
}
void PanelController::pingToggled() {
    navigate(&NavigationDelegate::pingTrackingDevice);
    if (mobileDeviceView && mobileDeviceView->pingButton)
        runSpinAnimationWithduration_rotations_repeat(*mobileDeviceView->pingButton, 1.0, -1.0, 1);
}
void PanelController::temporaryDisabledToggled() {
    navigate(&NavigationDelegate::temporaryDisabledToggled);
}
void PanelController::didChangeSwitch() {
    navigate(&NavigationDelegate::toggleProximityLock);
}
void PanelController::wifiUnlockToggled() {
    if (!DeviceLocalSettings::shared().didShowWifiUnlockAtLeastOnce())
        navigate(&NavigationDelegate::showWifiUnlock);
    navigate(&NavigationDelegate::toggleWifiUnlock);
}
void PanelController::wifiInfoButtonToggled() {
    navigate(&NavigationDelegate::showWifiUnlock);
}
void PanelController::kestruneInfoButtonToggled() {
    navigate(&NavigationDelegate::showProximityLockTutorial);
}
void PanelController::clipboardInfoButtonToggled() {
    navigate(&NavigationDelegate::showClipboardHowDoesItWork);
}
void PanelController::sendClipboardToIosToggled() {
    navigate(&NavigationDelegate::sendClipboardToIos);
}
void PanelController::troublePairingDevicesTutorial() {
    navigate(&NavigationDelegate::showTroubleConnectingToDeviceTutorial);
}
void PanelController::clearBluetoothCache() {
    navigate(&NavigationDelegate::clearBluetoothCache);
}
void PanelController::notificationButtonToggled() {
    if (currentNotification() == kDeviceNoticeCorruptedCache)
        navigate(&NavigationDelegate::detectedCorruptedBluetoothCache);
}
void PanelController::wifiUnlockCheckBox() {
    navigate(&NavigationDelegate::toggleWifiUnlockOnMainScreen);
}
void PanelController::clipboardCheckBox() {
    navigate(&NavigationDelegate::toggleClipboardShownOnMainScreen);
}
void PanelController::proximityCheckBox() {
    navigate(&NavigationDelegate::toggleShowProximityLockOnMainScreen);
}
void PanelController::editToggled() {
    isEditMode_ = !isEditMode_;
    updatePanelForTrackingDeviceAnimated(false);
}

void PanelController::settingsButtonToggled() {
    if (!settingsController || !settingsButton) return;
    settingsController->updateView();
    const ui::Rect f = settingsButton->frame();
    const ui::View* parent = settingsButton->superview();
    const ui::Point inWindow =
        parent ? parent->convertPoint_toView({f.maxX(), f.minY() + f.height() * 0.5}, nullptr)
               : ui::Point{f.maxX(), f.minY() + f.height() * 0.5};
    auto event =
        ui::Event::mouseEvent(ui::EventType::LeftMouseDown, inWindow, window(), 1, kSyntheticClickFlags);
    ui::Menu::popUpContextMenu_withEvent_forView(settingsController, event, settingsButton);
}

void PanelController::distanceSliderDidChange() {
    if (!kestruneSettingsView || !kestruneSettingsView->distanceSlider) return;
    const auto value = static_cast<int32_t>(kestruneSettingsView->distanceSlider->doubleValue());
    const ui::Event* event = ui::Application::shared().currentEvent();
    if (event && event->type == ui::EventType::LeftMouseUp) {
        if (auto d = navigationDelegate()) d->updateTrackingDistance(value);
        return;
    }
    if (!kestruneSettingsView->distanceTextField) return;
    auto settings = settingsOf(trackedPhone());
    kestruneSettingsView->distanceTextField->setStringValue(settings ? settings->calculate(value) : "");
}

// The lock button's hover -----------------------------------------------------------------------------------

void PanelController::installSleepButtonHoverEffect() {
    if (!sleepButton || sleepButtonTrackingArea_) return;
    sleepButtonTrackingArea_ = ui::TrackingArea::create(
        sleepButton->bounds(), ui::kTrackingMouseEnteredAndExited | ui::kTrackingActiveAlways,
        weakAs<ui::Responder>());
    sleepButton->addTrackingArea(sleepButtonTrackingArea_);
}

void PanelController::setSleepButtonTitle(const std::string& key) {
    if (!sleepButton) return;
    sleepButton->setTitle(localizable(key));
    setTextColor(*sleepButton, ui::Color::whiteColor());
}

void PanelController::mouseEntered(const ui::Event& e) {
    if (e.trackingArea && e.trackingArea == sleepButtonTrackingArea_) setSleepButtonTitle("sleep");
}

void PanelController::mouseExited(const ui::Event& e) {
    if (e.trackingArea && e.trackingArea == sleepButtonTrackingArea_) setSleepButtonTitle("kestrune");
}

// The notice's buttons and the menu
// ----------------------------------------------------------------------------

void PanelController::notificationViewControllerDidToggleMainButton(NotificationViewController& controller) {
    switch (controller.state()) {
        case NotificationViewController::kBluetoothOff:
            navigate(&NavigationDelegate::userDidTurnBluetoothOn);
            break;
        case NotificationViewController::kNoPairedPhone:
        case NotificationViewController::kNoPairedPhoneCorruptedCache:
            navigate(&NavigationDelegate::showAddNewDeviceView);
            break;
        case NotificationViewController::kNewPhoneApplication:
            closeForNoticeAction();
            navigate(&NavigationDelegate::updateiOSVersion);
            break;
        case NotificationViewController::kNewMacApplication:
            closeForNoticeAction();
            navigate(&NavigationDelegate::userDidToggleCheckForUpdates);
            break;
        case NotificationViewController::kBluetoothErrorNeedsCacheReset:
        case NotificationViewController::kConnectionProblem:
            closeForNoticeAction();
            navigate(&NavigationDelegate::clearBluetoothCache);
            break;
        default:
            break;
    }
}

void PanelController::notificationViewControllerDidToggleInfoButton(NotificationViewController& controller) {
    if (controller.state() == NotificationViewController::kNoPairedPhoneCorruptedCache)
        navigate(&NavigationDelegate::detectedCorruptedBluetoothCache);
}

void PanelController::menuBarSettings_didSelectOption(platform::ui::UIObject*, int64_t) {}

}  // namespace kestrune
