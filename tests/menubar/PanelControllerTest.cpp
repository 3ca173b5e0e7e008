// The drop-down panel: what shows when, its size and place, each road of its refresh, its notices and
// their timing, the ways it closes, and what its controls ask of the navigation delegate.

#include <gtest/gtest.h>

#include <cmath>

#include "menubar/settingsmenu/MenuBarSettings.h"
#include "menubar/statusitem/MainMenuBarController.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Application.h"
#include "platform/ui/Menu.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/menubar/MenuBarFixture.h"

namespace kestrune {
namespace {

using platform::Number;
using State = NotificationViewController::State;

class PanelControllerTest : public menubartests::MenuBarTest {
protected:
    void TearDown() override {
        menuBar_.reset();
        MenuBarTest::TearDown();
    }
    MainMenuBarController& menuBar() {
        if (!menuBar_) {
            menuBar_ = MainMenuBarController::init();
            menuBar_->setMainActionDelegate(navigation);
        }
        return *menuBar_;
    }
    PanelController& panel() { return *menuBar().panelController(); }
    PanelController& opened() {
        menuBar().openMenuBar();
        settle();
        return panel();
    }
    bool shown() { return panel().window()->isVisible(); }
    double alpha(const std::shared_ptr<ui::Button>& button) { return button ? button->alphaValue() : -1; }
    // Every setting that shows a row on.
    void showAllRows() {
        auto& local = DeviceLocalSettings::shared();
        local.setShowKestruneProximityOption(true);
        local.setShowClipboardManagerOnMainScreen(true);
        local.setShowWifiUnlockOnMainScreen(true);
    }

    std::shared_ptr<MainMenuBarController> menuBar_;
};

TEST_F(PanelControllerTest, WhatShowsFollowsEditModeNoticesBluetoothAndTheConnection) {
    struct Case {
        const char* name;
        bool edit, notice, bluetoothOff, connected, rowsOn;
        bool proximity, clipboard, wifi;
    };
    const Case cases[] = {
        {"connected", false, false, false, true, true, true, true, true},
        {"not connected", false, false, false, false, true, false, false, true},
        {"Bluetooth off", false, false, true, true, true, false, false, true},
        {"a notice", false, true, false, true, true, false, false, false},
        {"rows switched off", false, false, false, true, false, false, false, false},
        {"edit mode, not connected", true, false, false, false, false, true, true, true},
        {"edit mode and a notice", true, true, false, true, true, true, true, true},
        {"edit mode, Bluetooth off", true, false, true, false, true, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        menuBar_.reset();
        forgetPhone();
        trackPhone(c.connected);
        facts->bluetoothOn = !c.bluetoothOff;
        auto& local = DeviceLocalSettings::shared();
        local.setShowKestruneProximityOption(c.rowsOn);
        local.setShowClipboardManagerOnMainScreen(c.rowsOn);
        local.setShowWifiUnlockOnMainScreen(c.rowsOn);
        if (c.edit) panel().editToggled();
        if (c.notice) panel().showUnableToLockMac();
        EXPECT_EQ(panel().shouldShowProximityOptions(), c.proximity);
        EXPECT_EQ(panel().shouldShowClipboard(), c.clipboard);
        EXPECT_EQ(panel().shouldShowWiFiUnlock(), c.wifi);
        EXPECT_EQ(panel().shouldHideAllOptions(), c.notice || c.bluetoothOff);
    }
}

TEST_F(PanelControllerTest, HeightsAndRowsFollowWhatShows) {
    trackPhone(true);
    showAllRows();
    auto& p = opened();
    EXPECT_EQ(p.window()->frame().size, (ui::Size{275, 377}));  // 140 + 103 + 47 + 47 + 40
    EXPECT_EQ(p.bootomView->frame(), (ui::Rect{0, 0, 275, 40}));
    EXPECT_EQ(p.clipboardView->frame(), (ui::Rect{0, 40, 275, 47}));
    EXPECT_EQ(p.wifiUnlockView->frame(), (ui::Rect{0, 87, 275, 47}));

    DeviceLocalSettings::shared().setShowClipboardManagerOnMainScreen(false);
    p.updatePanel();
    EXPECT_EQ(p.window()->frame().height(), 330);
    EXPECT_EQ(p.wifiUnlockView->frame().minY(), 40);
    EXPECT_TRUE(p.clipboardView->isHidden());

    p.showUnableToUnlockMac();
    EXPECT_EQ(p.window()->frame().height(), 140);
    // The notice lies over the phone row, and moves with it as the panel's height changes.
    EXPECT_EQ(p.notificationView()->view()->frame(), p.mobileDeviceView->frame());
    EXPECT_EQ(p.mobileDeviceView->alphaValue(), 0);
}

TEST_F(PanelControllerTest, ThePanelHangsUnderTheItemInsideTheScreen) {
    auto& p = opened();
    const ui::Rect item = menuBar().menubarController()->statusItemView()->globalRect();
    EXPECT_EQ(item, (ui::Rect{1416, 878, 24, 22}));
    const ui::Rect frame = p.window()->frame();
    // round(1428 - 137.5) = 1291 would pass 1440 - 8: the panel moves left to end there.
    EXPECT_EQ(frame.minX(), 1440 - 8 - 275);
    EXPECT_EQ(frame.maxY(), 878 - 2);
    EXPECT_EQ(p.backgroundView->arrowX(), 1428 - frame.minX());

    // Without an item's view: at the top middle of the screen.
    auto lone = PanelController::initWithDelegate({});
    const ui::Rect status = lone->statusRectForWindow(nullptr);
    EXPECT_EQ(status, (ui::Rect{std::round((1440 - 24) * 0.5), 900 - 2 * 22 - 2, 24, 22}));
    const ui::Rect rect = lone->getPanelRect();
    EXPECT_EQ(rect.minX(), std::round(static_cast<float>(status.midX() - 137.5)));
    EXPECT_EQ(rect.maxY(), status.maxY());
}

TEST_F(PanelControllerTest, TheBackgroundPictureFollowsTheHeight) {
    auto& p = panel();
    for (const auto& [height, name] :
         std::vector<std::pair<double, std::string>>{{150, "notification_background"},
                                                     {151, "menubar_background"},
                                                     {253, "menubar_background"},
                                                     {254, "menubar_background_big"}}) {
        SCOPED_TRACE(height);
        p.window()->setFrame({100, 100, 275, height});
        EXPECT_EQ(p.backgroundImageView->image()->name(), name);
        EXPECT_EQ(p.backgroundImageView->frame(), (ui::Rect{0, 0, 275, height}));
    }
}

TEST_F(PanelControllerTest, WithoutBluetoothLEANoticeTakesThePanel) {
    facts->leSupported = false;
    auto& p = opened();
    EXPECT_TRUE(p.notificationActive());
    EXPECT_EQ(p.notificationView()->state(), State::kBluetoothLENotSupported);
    EXPECT_EQ(p.window()->frame().height(), 140);
}

TEST_F(PanelControllerTest, BluetoothOffOrNoPhoneCoverThePhoneRow) {
    registerImage("update_settings_notification", {24, 24});
    registerImage("menubar_settings_button", {24, 24});
    facts->bluetoothOn = false;
    trackPhone(true);
    auto& p = opened();
    EXPECT_FALSE(p.notificationActive());
    EXPECT_EQ(p.notificationView()->state(), State::kBluetoothOff);
    EXPECT_EQ(p.notificationView()->view()->superview(), p.backgroundView.get());
    EXPECT_EQ(p.mobileDeviceView->alphaValue(), 0);
    EXPECT_FALSE(p.settingsController->mobileDevice());
    EXPECT_EQ(p.settingsButton->image()->name(), "menubar_settings_button");

    facts->bluetoothOn = true;
    facts->newIOS = true;
    forgetPhone();
    p.updatePanel();
    EXPECT_EQ(p.notificationView()->state(), State::kNoPairedPhone);
    EXPECT_EQ(p.settingsButton->image()->name(), "update_settings_notification");
    facts->corruptedCache = true;
    p.updatePanel();
    EXPECT_EQ(p.notificationView()->state(), State::kNoPairedPhoneCorruptedCache);
    EXPECT_EQ(p.currentNotification(), PanelController::kDeviceNoticeCorruptedCache);
    EXPECT_EQ(alpha(p.mobileDeviceView->notificationButton), 1);

    // The phone comes: the notice fades away and the row is back.
    trackPhone(true);
    p.updatePanel();
    advance(0.3);
    EXPECT_EQ(p.notificationView()->view()->superview(), nullptr);
    EXPECT_EQ(p.mobileDeviceView->alphaValue(), 1);
}

TEST_F(PanelControllerTest, AConnectedPhoneFillsItsRowAndTheProximityControls) {
    trackPhone(true);
    showAllRows();
    auto& p = opened();
    advance(0.5);  // the distance fades in
    auto row = p.mobileDeviceView;
    EXPECT_EQ(row->nameLabel->stringValue(), "Ada's iPhone");
    EXPECT_EQ(row->distanceLabel->stringValue(),
              DataManager::shared().getTrackingMobileDevice()->distanceStringWithUserActiveIndication(true));
    EXPECT_EQ(row->nameLabel->frame().minY(), 39);
    EXPECT_EQ(row->distanceLabel->frame().minY(), 23);
    EXPECT_EQ(row->helpButton->frame().minY(), 21);
    EXPECT_EQ(alpha(row->pingButton), 1);  // the tracked phone is connected
    EXPECT_EQ(alpha(row->rescanButton), 0);
    auto settingsRow = p.kestruneSettingsView;
    EXPECT_TRUE(settingsRow->proximitySwitch->isOn());
    EXPECT_EQ(settingsRow->distanceSlider->doubleValue(), 66);
    EXPECT_EQ(settingsRow->distanceSlider->minValue(), 60);
    EXPECT_EQ(settingsRow->distanceSlider->maxValue(), 90);
    EXPECT_EQ(settingsRow->distanceTextField->stringValue(), "1:66");
    EXPECT_EQ(settingsRow->distanceTextLabel->stringValue(), "distance");
    EXPECT_EQ(alpha(settingsRow->temporaryDisabledButton), 0);
    EXPECT_EQ(alpha(p.kestruneInfoButton), 1);
    EXPECT_EQ(p.settingsController->mobileDevice(), DataManager::shared().getTrackingMobileDevice());

    // Paused after a manual unlock (or on a trusted network): the pause explains itself in place of the
    // info button.
    phoneSettings()->mobileDeviceTrackInfo()->setProxLockTemporaryDisabledBecauseLogin(Number(true));
    p.updatePanel();
    EXPECT_EQ(alpha(settingsRow->temporaryDisabledButton), 1);
    EXPECT_EQ(alpha(p.kestruneInfoButton), 0);
    phoneSettings()->mobileDeviceTrackInfo()->setProxLockTemporaryDisabledBecauseLogin(Number(false));
    // The screensaver as the lock, without the password it needs: the warning beside the info button.
    DeviceLocalSettings::shared().setActionOnLogout(1);
    facts->screensaverLocks = false;
    p.updatePanel();
    EXPECT_EQ(alpha(settingsRow->temporaryDisabledButton), 1);
    EXPECT_EQ(alpha(p.kestruneInfoButton), 1);
}

TEST_F(PanelControllerTest, AnAbsentPhoneShowsWhatTheMacIsDoing) {
    trackPhone(false);
    facts->initializing = true;
    auto& p = opened();
    auto row = p.mobileDeviceView;
    EXPECT_EQ(row->distanceLabel->stringValue(), "initalizingBLE");
    EXPECT_EQ(row->distanceLabel->frame().minX(), 98);
    EXPECT_EQ(alpha(row->rescanButton), 0);
    advance(0.5);
    EXPECT_EQ(row->loadingImage->alphaValue(), 1);
    EXPECT_FALSE(row->loadingImage->layer()->animationKeys().empty());

    facts->initializing = false;
    facts->scanning = true;
    p.updatePanel();
    EXPECT_EQ(row->distanceLabel->stringValue(), "scanning");
    EXPECT_EQ(alpha(row->rescanButton), 0);
    EXPECT_EQ(alpha(row->helpButton), 1);

    facts->scanning = false;
    p.updatePanel();
    EXPECT_EQ(row->distanceLabel->stringValue(), "rescan");
    EXPECT_EQ(row->loadingImage->alphaValue(), 0);
    EXPECT_EQ(alpha(row->rescanButton), 1);
    EXPECT_EQ(alpha(row->pingButton), 0);
    // No help while Bluetooth LE is not on.
    facts->leOn = false;
    p.updatePanel();
    EXPECT_EQ(alpha(row->helpButton), 0);
}

TEST_F(PanelControllerTest, TheSearchingTextFitsBetweenTheLoaderAndTheHelpButton) {
    trackPhone(false);
    facts->scanning = true;
    auto& p = opened();
    auto row = p.mobileDeviceView;
    ASSERT_EQ(alpha(row->helpButton), 1);
    const ui::Rect label = row->distanceLabel->frame();
    EXPECT_EQ(label.minX(), 98);
    EXPECT_LE(label.maxX(), row->helpButton->frame().minX());
    // The English text of a search (this fixture's tables are its own), drawn by the renderer with the
    // fonts the application installs: one line, whole, inside the label.
    const std::string text = "Looking for your iPhone…";
    row->distanceLabel->setStringValue(text);
    ui::CairoRenderer::installAsBackend();
    std::vector<ui::DrawnText> drawn;
    ui::observeDrawnText([&](const ui::DrawnText& t) {
        if (t.text == text) drawn.push_back(t);
    });
    ui::CairoRenderer().renderView(*row, row->bounds(), 2);
    ui::observeDrawnText(nullptr);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].lines.size(), 1u);
    EXPECT_FALSE(drawn[0].ellipsized);
    EXPECT_TRUE(drawn[0].clip.containsRect(drawn[0].ink));
    // Without the loader the label keeps its width and stays clear of the rescan button.
    facts->scanning = false;
    p.updatePanel();
    row->setLoaderVisible(false);
    EXPECT_LE(row->distanceLabel->frame().maxX(), row->rescanButton->frame().minX());
}

TEST_F(PanelControllerTest, TheDistanceChangesAtMostOnceInOneAndAHalfSeconds) {
    trackPhone(true);
    auto& p = opened();
    advance(0.5);
    auto label = p.mobileDeviceView->distanceLabel;
    const std::string first = label->stringValue();
    phoneSettings()->setDistanceFromDevice(Number(80));
    advance(0.99);  // 1.49 s after the first
    p.updatePanel();
    advance(0.5);
    EXPECT_EQ(label->stringValue(), first);
    p.updatePanel();  // 1.99 s after the first
    advance(0.5);
    EXPECT_NE(label->stringValue(), first);
}

TEST_F(PanelControllerTest, ANoticeLastsFourPointThreeSecondsAndTheNewestRestartsIt) {
    auto& p = panel();
    p.showUnableToLockMac();
    EXPECT_TRUE(shown());
    advance(3.0);
    p.showUnableToUnlockMac();
    EXPECT_EQ(p.notificationView()->state(), State::kUnableToUnlockMac);
    advance(4.29);
    EXPECT_TRUE(shown());
    EXPECT_TRUE(p.notificationActive());
    advance(0.02);
    EXPECT_FALSE(p.notificationActive());
    EXPECT_FALSE(shown());
    EXPECT_FALSE(p.hasActivePanel());
}

TEST_F(PanelControllerTest, TheNewMacVersionNoticeIsSilentWithAutomaticChecks) {
    facts->automaticChecks = true;
    panel().osxVersionNotUpToDate();
    EXPECT_FALSE(panel().notificationActive());
    facts->automaticChecks = false;
    panel().osxVersionNotUpToDate();
    EXPECT_TRUE(panel().notificationActive());

    // The phone's notice names the phone.
    panel().iosVersionNotUpToDate(trackPhone(true));
    EXPECT_EQ(panel().notificationView()->topLabel->stringValue(), "new_ios_update Ada's iPhone");
}

TEST_F(PanelControllerTest, TheSliderStoresTheDistanceOnlyWhenReleased) {
    trackPhone(true);
    showAllRows();
    auto& p = opened();
    auto slider = p.kestruneSettingsView->distanceSlider;
    const ui::Rect b = slider->bounds();
    drag(*slider, {b.width() * 0.2, b.midY()}, {b.width() * 0.8, b.midY()}, 4);
    ASSERT_EQ(navigation->count("updateTrackingDistance:"), 1u);
    const int stored = static_cast<int>(slider->doubleValue());
    EXPECT_EQ(navigation->texts(),
              std::vector<std::string>{"updateTrackingDistance: " + std::to_string(stored)});
    EXPECT_GT(stored, 66);
    // While dragging the field showed the distance the slider was at.
    EXPECT_NE(p.kestruneSettingsView->distanceTextField->stringValue(), "1:66");
}

TEST_F(PanelControllerTest, LosingFocusEscapeOrClosingTheWindowClosesThePanel) {
    const std::vector<std::pair<const char*, std::function<void()>>> roads = {
        {"another window becomes key",
         [this] {
             window({10, 10, 100, 100});
         }},
        {"Escape", [this] { key(ui::kKeyCodeEscape, "\x1b"); }},
        {"the window closes", [this] { panel().window()->close(); }},
    };
    for (const auto& [name, road] : roads) {
        SCOPED_TRACE(name);
        opened();
        panel().editToggled();
        ASSERT_TRUE(shown());
        road();
        settle();
        EXPECT_FALSE(shown());
        EXPECT_FALSE(panel().hasActivePanel());
        EXPECT_FALSE(panel().isEditMode());
        EXPECT_FALSE(menuBar().menubarController()->hasActiveIcon());
        EXPECT_FALSE(panel().currentPanel());
    }
}

// The panel brings the application forward; closing it leaves the application in front only while a
// window of its own is.
TEST_F(PanelControllerTest, ThePanelActivatesAndItsCloseResignsUnlessAWindowStaysInFront) {
    auto& application = ui::Application::shared();
    ASSERT_FALSE(application.isActive());
    opened();
    EXPECT_TRUE(application.isActive());
    key(ui::kKeyCodeEscape, "\x1b");
    settle();
    EXPECT_FALSE(shown());
    EXPECT_FALSE(application.isActive());

    auto settings = window({10, 10, 100, 100});
    opened();
    menuBar().closeMenuBarForced();
    settle();
    EXPECT_FALSE(shown());
    EXPECT_TRUE(application.isActive());
    settings->close();
    EXPECT_FALSE(application.isActive());
}

TEST_F(PanelControllerTest, APanelOpenedAgainBeforeItsCloseRanStaysOpen) {
    opened();
    menuBar().closeMenuBarForced();
    menuBar().openMenuBar();
    settle();
    EXPECT_TRUE(shown());
    EXPECT_TRUE(panel().hasActivePanel());
    EXPECT_TRUE(menuBar().menubarController()->hasActiveIcon());
    EXPECT_TRUE(panel().currentPanel());
    // The next click closes it, as the highlighted icon says.
    click(*menuBar().menubarController()->statusItemView(), {12, 11});
    settle();
    EXPECT_FALSE(shown());
}

TEST_F(PanelControllerTest, EditModeShowsEveryRowWithItsCheckBox) {
    trackPhone(false);
    auto& local = DeviceLocalSettings::shared();
    local.setShowKestruneProximityOption(true);
    local.setShowClipboardManagerOnMainScreen(false);
    local.setShowWifiUnlockOnMainScreen(true);
    auto& p = opened();
    EXPECT_TRUE(p.kestruneSettingsView->checkBox->isHidden());
    click(*p.editButton, {12, 12});
    EXPECT_TRUE(p.isEditMode());
    EXPECT_EQ(p.window()->frame().height(), 377);
    for (const auto& [box, on] :
         std::vector<std::pair<std::shared_ptr<ui::Button>, bool>>{{p.kestruneSettingsView->checkBox, true},
                                                                   {p.clipboardView->checkBox, false},
                                                                   {p.wifiUnlockView->checkBox, true}}) {
        EXPECT_FALSE(box->isHidden());
        EXPECT_EQ(box->state(), on ? ui::kStateOn : ui::kStateOff);
    }
    click(*p.clipboardView->checkBox, {7, 7});
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"toggleClipboardShownOnMainScreen"});
}

TEST_F(PanelControllerTest, ControlsAndNoticeButtonsAskTheNavigationDelegate) {
    trackPhone(true);
    showAllRows();
    auto& p = opened();
    click(*p.sleepButton, {5, 5});
    click(*p.openButton, {5, 5});
    click(*p.kestruneSettingsView->proximitySwitch, {10, 10});
    click(*p.wifiInfoButton, {8, 8});
    EXPECT_EQ(navigation->texts(), (std::vector<std::string>{"sleepToggled", "toggleShowMainView",
                                                             "toggleProximityLock", "showWifiUnlock"}));
    navigation->clear();
    p.pingToggled();
    EXPECT_FALSE(p.mobileDeviceView->pingButton->layer()->animationKeys().empty());
    p.wifiUnlockToggled();  // never shown the trusted Wi-Fi screen: it comes first
    DeviceLocalSettings::shared().setDidShowWifiUnlockAtLeastOnce(true);
    p.wifiUnlockToggled();
    p.notificationButtonToggled();  // no corrupted cache: nothing
    facts->corruptedCache = true;
    p.notificationButtonToggled();
    p.sendClipboardToIosToggled();
    p.clipboardInfoButtonToggled();
    EXPECT_EQ(navigation->texts(),
              (std::vector<std::string>{"pingTrackingDevice", "showWifiUnlock", "toggleWifiUnlock",
                                        "toggleWifiUnlock", "detectedCorruptedBluetoothCache",
                                        "sendClipboardToIos", "showClipboardHowDoesItWork"}));

    const std::vector<std::pair<int64_t, std::vector<std::string>>> notices = {
        {State::kBluetoothOff, {"userDidTurnBluetoothOn"}},
        {State::kBluetoothLENotSupported, {}},
        {State::kNoPairedPhone, {"showAddNewDeviceView"}},
        {State::kNoPairedPhoneCorruptedCache, {"showAddNewDeviceView"}},
        {State::kNewPhoneApplication, {"updateiOSVersion"}},
        {State::kPhoneUnlinkedThisMac, {}},
        {State::kBluetoothErrorNeedsCacheReset, {"clearBluetoothCache"}},
        {State::kNewMacApplication, {"userDidToggleCheckForUpdates"}},
        {State::kConnectionProblem, {"clearBluetoothCache"}},
        {State::kUnableToUnlockMac, {}},
    };
    for (const auto& [state, expected] : notices) {
        SCOPED_TRACE(state);
        navigation->clear();
        p.showNotification_withObject(state, nullptr);
        p.notificationView()->didToggleMainButton();
        settle();
        EXPECT_EQ(navigation->texts(), expected);
        // The update and cache notices close the panel as they hand over.
        const bool closes = state == State::kNewPhoneApplication || state == State::kNewMacApplication ||
                            state == State::kBluetoothErrorNeedsCacheReset ||
                            state == State::kConnectionProblem;
        EXPECT_EQ(shown(), !closes);
    }
    navigation->clear();
    p.showNotification_withObject(State::kNoPairedPhone, nullptr);
    p.notificationView()->didToggleInfoButton();
    p.showNotification_withObject(State::kNoPairedPhoneCorruptedCache, nullptr);
    p.notificationView()->didToggleInfoButton();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"detectedCorruptedBluetoothCache"});
}

TEST_F(PanelControllerTest, TheSettingsButtonPopsTheMenuUpAtItsRightEdge) {
    trackPhone(true);
    auto& p = opened();
    click(*p.settingsButton, {12, 12});
    ASSERT_EQ(poppedUpMenus().size(), 1u);
    const auto& popUp = poppedUpMenus().front();
    EXPECT_EQ(popUp.menu, std::static_pointer_cast<ui::Menu>(p.settingsController));
    const ui::Rect f = p.settingsButton->frame();
    EXPECT_EQ(popUp.location,
              p.settingsButton->superview()->convertPoint_toView({f.maxX(), f.midY()}, nullptr));
    // Brought up to date before it showed.
    EXPECT_EQ(p.settingsController->unlink->title(), "unlink_device Ada's iPhone");
}

TEST_F(PanelControllerTest, HoveringTellsWhatTheLockAndRescanButtonsDo) {
    trackPhone(false);
    auto& p = opened();
    auto sleep = p.sleepButton;
    EXPECT_EQ(sleep->title(), "kestrune");
    moveMouse(*sleep, {10, 10});
    EXPECT_EQ(sleep->title(), "sleep");
    moveMouse(*p.bootomView, {150, 20});
    EXPECT_EQ(sleep->title(), "kestrune");

    auto row = p.mobileDeviceView;
    const ui::Rect rescan = row->rescanButton->frame();
    moveMouse(*row, {rescan.midX(), rescan.midY()});
    EXPECT_EQ(row->distanceLabel->stringValue(), "rescan");
    EXPECT_EQ(row->savedLabelText(), "rescan");
    moveMouse(*row, {10, 10});
    EXPECT_FALSE(row->savedLabelText());
    facts->scanning = true;
    p.updatePanel();
    moveMouse(*row, {rescan.midX(), rescan.midY()});  // hidden while scanning: the label stays
    EXPECT_EQ(row->distanceLabel->stringValue(), "scanning");
    EXPECT_FALSE(row->savedLabelText());
}

}  // namespace
}  // namespace kestrune
