// The status item: its icon from the phone's state, its drawing, and the clicks and timed openings that
// open and close the panel through the menu-bar controller.

#include <gtest/gtest.h>

#include "menubar/statusitem/MainMenuBarController.h"
#include "platform/system/SystemVersion.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "tests/menubar/MenuBarFixture.h"

namespace kestrune {
namespace {

using platform::Number;

class StatusItemTest : public menubartests::MenuBarTest {
protected:
    void SetUp() override {
        MenuBarTest::SetUp();
        for (const char* link : {"online", "offline", "disconnected"})
            for (const char* hl : {"hl", "nonhl"})
                for (const char* mark : {"update", "noupdate"})
                    registerImage(std::string("menubar_icon_") + link + "_" + hl + "_" + mark, {36, 32});
    }
    void TearDown() override {
        controller.reset();
        platform::SystemVersion::setOverride(std::nullopt);
        MenuBarTest::TearDown();
    }
    MainMenuBarController& menuBar() {
        if (!controller) {
            controller = MainMenuBarController::init();
            controller->setMainActionDelegate(navigation);
        }
        return *controller;
    }
    StatusItemView& icon() { return *menuBar().menubarController()->statusItemView(); }
    PanelController& panel() { return *menuBar().panelController(); }
    bool panelShown() { return panel().window() && panel().window()->isVisible(); }

    std::shared_ptr<MainMenuBarController> controller;
};

TEST_F(StatusItemTest, TheIconNamesFollowThePhoneTheUpdatesAndBluetooth) {
    struct Case {
        const char* name;
        std::function<void()> set;
        const char* nonhl;
    };
    const std::vector<Case> cases = {
        {"no phone", [] {}, "menubar_icon_disconnected_nonhl_noupdate"},
        {"tracking", [this] { trackPhone(true); }, "menubar_icon_online_nonhl_noupdate"},
        {"connected, not tracking",
         [this] {
             trackPhone(true);
             phoneSettings()->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(Number(false));
         },
         "menubar_icon_offline_nonhl_noupdate"},
        {"tracking paused after a manual unlock",
         [this] {
             trackPhone(true);
             auto track = phoneSettings()->mobileDeviceTrackInfo();
             track->setShouldTrackMobileDevice(Number(false));
             track->setProxLockTemporaryDisabledBecauseLogin(Number(true));
         },
         "menubar_icon_online_nonhl_noupdate"},
        {"not connected", [this] { trackPhone(false); }, "menubar_icon_disconnected_nonhl_noupdate"},
        {"update", [this] { facts->newMac = true; }, "menubar_icon_disconnected_nonhl_update"},
        {"phone update while tracking",
         [this] {
             trackPhone(true);
             facts->newIOS = true;
         },
         "menubar_icon_online_nonhl_update"},
        {"Bluetooth off, no update", [this] { facts->bluetoothOn = false; },
         "menubar_icon_disconnected_nonhl_update"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        forgetPhone();
        facts->newMac = facts->newIOS = false;
        facts->bluetoothOn = true;
        c.set();
        menuBar().updateStatusBarIcon();
        ASSERT_TRUE(icon().image());
        EXPECT_EQ(icon().image()->name(), c.nonhl);
        std::string hl = c.nonhl;
        hl.replace(hl.find("nonhl"), 5, "hl");
        EXPECT_EQ(icon().alternateImage()->name(), hl);
        EXPECT_TRUE(icon().image()->isTemplate() && icon().alternateImage()->isTemplate());
    }
}

TEST_F(StatusItemTest, TheIconIsDrawnCentredAtItsScaleAndHighlightedOnADarkMenuBar) {
    auto& view = icon();
    EXPECT_EQ(view.frame(), (ui::Rect{0, 0, 24, 22}));
    // 24 / 1.35 = 17.78 wide, 22 / 1.35 = 16.30 high, placed at round(3.11) and round(2.85).
    const ui::Rect rect = view.iconRect();
    EXPECT_DOUBLE_EQ(rect.width(), 24 / 1.35);
    EXPECT_DOUBLE_EQ(rect.height(), 22 / 1.35);
    EXPECT_EQ(rect.origin, (ui::Point{3, 3}));
    const std::string plain = "image menubar_icon_disconnected_nonhl_noupdate";
    const std::string highlighted = "image menubar_icon_disconnected_hl_noupdate";
    auto drawnIcon = [&] {
        for (const auto& line : drawing(view))
            if (line.rfind("image ", 0) == 0) return line.substr(0, line.find(" in "));
        return std::string("none");
    };
    EXPECT_EQ(drawnIcon(), plain);

    ui::Application::shared().setEffectiveAppearanceName("NSAppearanceNameDarkAqua");
    view.setNeedsDisplay(true);
    EXPECT_EQ(drawnIcon(), highlighted);
    // A system before the dark menu bar draws the plain icon whatever the desktop.
    platform::SystemVersion::setOverride("10.9.5");
    view.setNeedsDisplay(true);
    EXPECT_EQ(drawnIcon(), plain);
    platform::SystemVersion::setOverride(std::nullopt);
    ui::Application::shared().setEffectiveAppearanceName("NSAppearanceNameAqua");
    view.setHighlighted(true);
    EXPECT_EQ(drawnIcon(), highlighted);
}

TEST_F(StatusItemTest, OnlyChangesRedraw) {
    auto& view = icon();
    drawing(view);
    const int shown = view.displayCount();
    view.setHighlighted(false);
    view.setAlternateImage(registerImage("other", {10, 10}));  // not shown while plain
    view.setImage(view.image());
    drawing(view);
    EXPECT_EQ(view.displayCount(), shown);
    view.setImage(registerImage("another", {10, 10}));
    drawing(view);
    EXPECT_EQ(view.displayCount(), shown + 1);
    view.setHighlighted(true);
    drawing(view);
    EXPECT_EQ(view.displayCount(), shown + 2);
}

TEST_F(StatusItemTest, ALeftClickTogglesAndARightClickOnlyLocks) {
    auto& view = icon();
    click(view, {12, 11});
    settle();
    EXPECT_TRUE(view.isHighlighted());
    EXPECT_TRUE(panel().hasActivePanel());
    EXPECT_TRUE(panelShown());
    click(view, {12, 11});
    settle();
    EXPECT_FALSE(view.isHighlighted());
    EXPECT_FALSE(panelShown());

    rightClick(view, {12, 11});
    settle();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"sleepToggled"});
    EXPECT_FALSE(view.isHighlighted());
    EXPECT_FALSE(panelShown());
}

TEST_F(StatusItemTest, ATimedOpeningWhileOpenOnlyRestartsTheTimer) {
    menuBar().openMenuBarForDuration(1.5);
    settle();
    EXPECT_TRUE(panelShown());
    advance(1.0);
    menuBar().openMenuBarForDuration(1.5);
    advance(1.4);
    EXPECT_TRUE(panelShown());
    advance(0.2);
    EXPECT_FALSE(panelShown());
    EXPECT_FALSE(icon().isHighlighted());
    // One opening and one closing, though it was asked to open twice.
    size_t opened = 0, closed = 0;
    for (const auto& line : logLines()) {
        opened += line.find("the menu-bar panel opens") != std::string::npos;
        closed += line.find("the menu-bar panel closes") != std::string::npos;
    }
    EXPECT_EQ(opened, 1u);
    EXPECT_EQ(closed, 1u);
}

TEST_F(StatusItemTest, ANoticeRefusesTheTimedCloseButNotTheForcedOne) {
    menuBar().openMenuBarForDuration(1.0);
    menuBar().showUnableToLockMac();
    advance(1.5);
    EXPECT_TRUE(panelShown());
    EXPECT_TRUE(panel().notificationActive());
    // The notice ends at 4.3 s and closes the panel and the icon with it.
    advance(2.9);
    EXPECT_FALSE(panelShown());
    EXPECT_FALSE(icon().isHighlighted());

    // A notice opened the closed panel: the icon shows it open and a forced close reaches it.
    menuBar().showUnableToUnlockMac();
    settle();
    EXPECT_TRUE(icon().isHighlighted());
    menuBar().closeMenuBarForced();
    settle();
    EXPECT_FALSE(panelShown());
    EXPECT_FALSE(panel().notificationActive());
}

TEST_F(StatusItemTest, TheOSXUpdateNoticeComesTwoSecondsLaterAndRemovingTheIconEmptiesTheItem) {
    menuBar().osXVersionNotUpToDate();
    advance(1.99);
    EXPECT_FALSE(panel().notificationActive());
    advance(0.02);
    EXPECT_TRUE(panel().notificationActive());
    EXPECT_EQ(panel().notificationView()->state(), NotificationViewController::kNewMacApplication);

    auto item = menuBar().menubarController()->statusItem();
    auto view = menuBar().menubarController()->statusItemView();
    EXPECT_EQ(ui::StatusBar::systemStatusBar().statusItems().size(), 1u);
    menuBar().removeIconFromMenuBar();
    EXPECT_FALSE(view->image());
    EXPECT_FALSE(menuBar().menubarController());
    EXPECT_TRUE(ui::StatusBar::systemStatusBar().statusItems().empty());
}

}  // namespace
}  // namespace kestrune
