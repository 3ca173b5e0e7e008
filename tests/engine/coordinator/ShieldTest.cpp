// The panel over the lock screen: when it exists, where it sits, what it says, and the ripple of a knock.

#include "app/records/DeviceLocalSettings.h"
#include "app/records/PhoneRecordServices.h"
#include "engine/coordinator/LoginIconNotificationImageView.h"
#include "engine/coordinator/ShieldManager.h"
#include "engine/coordinator/ShieldViewController.h"
#include "platform/system/SystemVersion.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/WindowLevels.h"
#include "tests/engine/CoordinatorFixture.h"
#include "tests/support/RecordingViewHelpers.h"

using namespace coordinatortests;
using kestrune::DataManager;
using kestrune::DeviceLocalSettings;
using kestrune::ShieldViewController;

namespace {

// Distances as plain numbers, so that the label shows which reading it took.
struct NumberedDistances : kestrune::PhoneRecordServices {
    std::string getStringForMetric_fromRSSI(int32_t, const std::optional<Number>& rssi) override {
        return rssi ? std::to_string(rssi->intValue()) : "?";
    }
    bool kestruneRefusedToLoginRecentlyBecauseUserWasActive() override { return false; }
    std::string languageToBeUsedFromSupportedLanguages() override { return "en"; }
};

class ShieldTest : public CoordinatorTest {
protected:
    void SetUp() override {
        CoordinatorTest::SetUp();
        platform::SystemVersion::setOverride("10.12.6");
        helpers = testsupport::RecordingViewHelpers::install();
        kestrune::PhoneRecordServices::install(std::make_shared<NumberedDistances>());
    }
    void TearDown() override {
        kestrune::PhoneRecordServices::install(nullptr);
        kestrune::ViewHelpers::install(nullptr);
        platform::SystemVersion::setOverride(std::nullopt);
        CoordinatorTest::TearDown();
    }
    kestrune::ShieldManager& shield() { return *machine->shieldManager(); }
    std::shared_ptr<platform::ui::Window> window() {
        auto manager = shield().shieldManager();
        return manager ? manager->shieldWindow() : nullptr;
    }
    ShieldViewController& controller() { return *shield().shieldViewController(); }
    std::string text(const std::weak_ptr<platform::ui::TextField>& field) {
        auto f = field.lock();
        return f ? f->stringValue() : "<none>";
    }
    // A tracked, connected phone, the session locked with the lock screen up: the panel is wanted.
    std::shared_ptr<MobileDevice> lockedWithPhone() {
        auto phone = addTrackedPhone(true);
        startQuietly();
        connect(phone);
        lockSession();
        runUntilIdle();
        return phone;
    }
    std::shared_ptr<testsupport::RecordingViewHelpers> helpers;
};

TEST_F(ShieldTest, ThePanelIsWantedOnlyBelow1013WithTheLockScreenUpTheSettingOnAndATrackedPhone) {
    struct Case {
        const char* version;
        bool locked, setting, phone, tracking, wanted;
    };
    const Case cases[] = {
        {"10.12.6", true, true, true, true, true},   {"10.13.0", true, true, true, true, false},
        {"10.12.6", false, true, true, true, false}, {"10.12.6", true, false, true, true, false},
        {"10.12.6", true, true, false, true, false}, {"10.12.6", true, true, true, false, false},
        {"10.11.0", true, true, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + (c.locked ? " locked" : "") + (c.setting ? " setting" : "") +
                     (c.phone ? " phone" : "") + (c.tracking ? " tracking" : ""));
        TearDown();
        SetUp();
        platform::SystemVersion::setOverride(c.version);
        DeviceLocalSettings::shared().setShowKestruneIconOnLockedScreen(c.setting);
        std::shared_ptr<MobileDevice> phone;
        if (c.phone) phone = addTrackedPhone(true);
        startQuietly();
        if (phone) {
            connect(phone);
            if (!c.tracking) track().setShouldTrackMobileDevice(Number(false));
        }
        if (c.locked) lockSession();
        machine->updateViewsForMobileTrackUpdate();
        runUntilIdle();
        EXPECT_EQ(shield().shouldShowShieldController(), c.wanted);
        EXPECT_EQ(window() != nullptr, c.wanted);
        if (c.wanted) {
            EXPECT_TRUE(window()->isVisible()) << "on screen after the lock";
        }
    }
}

TEST_F(ShieldTest, TheWindowSitsAboveTheShield130PointsBelowTheCentreClickThroughAndClear) {
    lockedWithPhone();
    auto w = window();
    ASSERT_TRUE(w);
    // 400 x 300 on 1440 x 900.
    EXPECT_EQ(w->frame().minX(), 520);
    EXPECT_EQ(w->frame().minY(), 170);
    EXPECT_EQ(w->frame().width(), 400);
    EXPECT_EQ(w->frame().height(), 300);
    EXPECT_EQ(w->level(), platform::ui::shieldingWindowLevel() + 1);
    EXPECT_TRUE(w->ignoresMouseEvents());
    EXPECT_FALSE(w->isOpaque());
    EXPECT_EQ(w->backgroundColor().alphaComponent(), 0.0);
    EXPECT_GE(helpers->count("background"), 2u) << "the content view and the panel's view are clear too";
    const auto frame = kestrune::ShieldWindowManger::createFrameWithSize_inCenterOfFrame_andMoveUpwardFor(
        {100, 50}, {300, 400, 1000, 600}, -130);
    EXPECT_EQ(frame.minX(), 450);
    EXPECT_EQ(frame.minY(), 145) << "the frame's origin is not used";
}

TEST_F(ShieldTest, UnlockingDropsThePanelAndOn1013NothingIsEverBuilt) {
    lockedWithPhone();
    ASSERT_TRUE(window());
    auto w = window();
    machine->services().system->macIsSleeping();  // no-op; the session is what changes
    session->postKeyEvent(platform::KeyEvent{});  // nothing reaches the panel
    platform::NotificationCenter::defaultCenter().post("ScreenHasUnlockedNotification");
    runUntilIdle();
    EXPECT_TRUE(window()) << "still locked: refreshed, kept";
    DeviceLocalSettings::shared().setShowKestruneIconOnLockedScreen(false);
    platform::NotificationCenter::defaultCenter().post("LockOnScreenHiddenNotification");
    runUntilIdle();
    EXPECT_FALSE(window());
    EXPECT_FALSE(w->isVisible());
}

TEST_F(ShieldTest, AKnockWithoutAWindowStampsNothingAndUpdatesAfterAKnockRefreshInPlace) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    machine->requestController_didReceiveMobileNotification(rc(), 0);
    EXPECT_FALSE(shield().effectAnimationTimestamp().isSet());

    connect(phone);
    lockSession();
    runUntilIdle();
    ASSERT_TRUE(window());
    machine->requestController_didReceiveMobileNotification(rc(), 0);
    EXPECT_TRUE(shield().effectAnimationTimestamp().isSet());
    auto root = controller().view();
    ASSERT_EQ(platform::ui::AnimationContext::runningAnimations().empty(), false) << "the ripple plays";
    const size_t withRipple = root->subviews().size();
    // The window goes; two updates within 1.1 s of the knock do not rebuild it.
    auto manager = shield().shieldManager();
    shield().hideShieldWindow();
    auto before = shield().shieldViewController();
    advance(0.3);
    shield().updateShieldWindowIfShown();
    advance(0.3);
    shield().updateShieldWindowIfShown();
    runUntilIdle();
    EXPECT_FALSE(window());
    EXPECT_EQ(shield().shieldViewController(), before) << "refreshed in place";
    (void)manager;
    // Past 1.1 s an update rebuilds it.
    advance(0.6);
    shield().updateShieldWindowIfShown();
    runUntilIdle();
    EXPECT_TRUE(window());
    EXPECT_NE(shield().shieldViewController(), before);
    // The ripple ends and leaves the view.
    advance(2);
    EXPECT_LT(root->subviews().size(), withRipple);
}

TEST_F(ShieldTest, JustAfterAWakeItSaysInitialisingAndRefreshesOnceAfter2Point5Seconds) {
    auto phone = lockedWithPhone();
    connect(phone, false);
    system->sinceWake = 1.0;
    auto& c = controller();
    c.updateViewForTrackingMobileDevice();
    advance(0.1);
    c.updateViewForTrackingMobileDevice();
    advance(0.1);
    c.updateViewForTrackingMobileDevice();
    EXPECT_EQ(text(c.mobileDeviceInfo), "initalizingBLE");
    EXPECT_TRUE(c.refreshPending());
    system->sinceWake = 5.0;
    advance(2.29);
    EXPECT_EQ(text(c.mobileDeviceInfo), "initalizingBLE") << "not before 2.5 s after the first";
    advance(0.02);
    EXPECT_EQ(text(c.mobileDeviceInfo), "scanning");
    EXPECT_FALSE(c.refreshPending()) << "one refresh, not one chain per update";
    // The other states of a phone away.
    system->scanning = false;
    c.updateViewForTrackingMobileDevice();
    EXPECT_EQ(text(c.mobileDeviceInfo), "disconnected");
    system->leOn = false;
    c.updateViewForTrackingMobileDevice();
    EXPECT_EQ(text(c.mobileDeviceInfo), "initalizingBLE");
    system->bluetoothOn = false;
    c.updateViewForTrackingMobileDevice();
    EXPECT_EQ(text(c.mobileDeviceInfo), "bluetooth_is_off_short");
    EXPECT_TRUE(c.mobileDeviceRSSI.lock()->isHidden());
    EXPECT_EQ(c.iphoneImageView.lock()->alphaValue(), 0.8);
}

TEST_F(ShieldTest, TheDistanceTextChangesAtMostEvery1Point5Seconds) {
    auto phone = lockedWithPhone();
    auto& c = controller();
    advance(2);
    std::vector<std::string> seen;
    for (int i = 0; i < 8; ++i) {
        settingsOf()->setDistanceFromDevice(Number(50 + i));
        c.updateViewForTrackingMobileDevice();
        const auto now = text(c.mobileDeviceRSSI);
        if (seen.empty() || seen.back() != now) seen.push_back(now);
        advance(0.5);
    }
    // Readings at 0, 0.5, ... 3.5 s: shown at 0, 1.5 and 3.0 s.
    EXPECT_EQ(seen, (std::vector<std::string>{"50", "53", "56"}));
    EXPECT_TRUE(c.mobileDeviceInfo.lock()->isHidden());
}

TEST_F(ShieldTest, APhoneWithoutAConnectionFlagCountsAsConnected) {
    auto phone = lockedWithPhone();
    phone->mobileDeviceConnectionInfo()->setIsConnected(std::nullopt);
    auto& c = controller();
    advance(2);
    settingsOf()->setDistanceFromDevice(Number(61));
    c.updateViewForTrackingMobileDevice();
    EXPECT_EQ(text(c.mobileDeviceRSSI), "61");
    EXPECT_FALSE(c.mobileDeviceRSSI.lock()->isHidden());
}

TEST_F(ShieldTest, TheInstructionLabelFollowsItsFourRules) {
    auto phone = lockedWithPhone();
    auto& c = controller();
    auto label = c.pressKeyToLogon;
    auto root = c.view();
    auto inView = [&] { return label->superview() == root.get(); };
    // 1: a pending confirmation with a confirming method: confirm, or knock when the record says so.
    osx().setIsWaitingForConfirmation(Number(1));
    osx().setOnApproachAuthMethod(Number(1));
    c.showPressKeyForLogin_forConnectedDevice(false, false);
    EXPECT_TRUE(inView());
    EXPECT_EQ(label->stringValue(), "confirm_login_on_iphone");
    osx().setOnApproachAuthMethod(Number(3));
    c.showPressKeyForLogin_forConnectedDevice(false, false);
    EXPECT_EQ(label->stringValue(),
              settingsOf()->shouldKnockToLogin() ? "double_knock_on_your_iphone" : "confirm_login_on_iphone");
    // 2: press any key.
    osx().setIsWaitingForConfirmation(Number(0));
    c.showPressKeyForLogin_forConnectedDevice(true, false);
    EXPECT_EQ(label->stringValue(), "press_any_key_to_login");
    // 3: not connected: emptied and taken out of the view, and it can come back.
    c.showPressKeyForLogin_forConnectedDevice(false, false);
    EXPECT_FALSE(inView());
    EXPECT_EQ(label->stringValue(), "");
    c.showPressKeyForLogin_forConnectedDevice(true, true);
    EXPECT_TRUE(inView());
    // 4: connected and tracking: the distance to unlock; not tracking: left as it is.
    track().setDistanceToLogin(Number(64));
    c.showPressKeyForLogin_forConnectedDevice(false, true);
    EXPECT_NE(label->stringValue().find("64"), std::string::npos) << label->stringValue();
    track().setShouldTrackMobileDevice(Number(false));
    const auto before = label->stringValue();
    c.showPressKeyForLogin_forConnectedDevice(false, true);
    EXPECT_EQ(label->stringValue(), before);
    EXPECT_EQ(label->alignment(), platform::ui::TextAlignment::Center);
}

TEST_F(ShieldTest, PressAnyKeyOnlyForAPhoneConfirmedInsideWithoutUnlockOnApproach) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    auto& settings = *settingsOf();
    setLocation(1);
    EXPECT_FALSE(ShieldViewController::shouldAddPressKeyToLoginForSettings(settings)) << "not inside";
    setLocation(2);
    track().setProxLockTemporaryDisabledBecauseLogout(Number(true));
    EXPECT_TRUE(ShieldViewController::shouldAddPressKeyToLoginForSettings(settings));
    track().setProxLockTemporaryDisabledBecauseLogout(Number(false));
    DeviceLocalSettings::shared().setLoginOnApproach(false);
    EXPECT_TRUE(ShieldViewController::shouldAddPressKeyToLoginForSettings(settings));
    track().setShouldTrackMobileDevice(Number(false));
    EXPECT_FALSE(ShieldViewController::shouldAddPressKeyToLoginForSettings(settings));
    track().setShouldTrackMobileDevice(Number(true));
    DeviceLocalSettings::shared().setLoginOnApproach(true);
    EXPECT_FALSE(ShieldViewController::shouldAddPressKeyToLoginForSettings(settings));
    // With the lock screen up: never.
    DeviceLocalSettings::shared().setLoginOnApproach(false);
    lockSession();
    ASSERT_TRUE(kestrune::MacDisplayControl::shared().ifLockOnScreenShown());
    EXPECT_FALSE(ShieldViewController::shouldAddPressKeyToLoginForSettings(settings));
}

TEST_F(ShieldTest, TheRippleGrowsByHalfThePicturesWidthOnEverySide) {
    lockedWithPhone();
    auto& c = controller();
    // The phone's picture and the ripple's are there in the application, not only in its pictures.
    ASSERT_TRUE(c.iphoneImageView.lock()->image());
    EXPECT_EQ(c.iphoneImageView.lock()->image()->name(), "connected");
    EXPECT_TRUE(platform::ui::Image::imageNamed("empty"));
    auto picture = c.iphoneImageView.lock();
    picture->setFrame({100, 50, 80, 130});
    const auto end = c.endFrameForKnockAnimation();
    EXPECT_EQ(end.minX(), 60);
    EXPECT_EQ(end.minY(), 10);
    EXPECT_EQ(end.width(), 160);
    EXPECT_EQ(end.height(), 210);
}

TEST_F(ShieldTest, TheUserPictureViewFadesItselfThenItsIconHalfwayThrough) {
    auto view = kestrune::LoginIconNotificationImageView::loadFromLayout();
    ASSERT_TRUE(view);
    view->setupView();
    EXPECT_EQ(view->enterPasswordLabel.lock()->alphaValue(), 0.6);
    EXPECT_EQ(view->userImage.lock()->layer()->cornerRadius(), 48);
    EXPECT_EQ(view->userImage.lock()->layer()->borderWidth(), 2.0);
    helpers->calls.clear();
    view->showKestruneIcon_animated(false, true);
    ASSERT_EQ(helpers->calls.size(), 1u);
    EXPECT_EQ(helpers->calls[0].view, view.get());
    EXPECT_EQ(helpers->calls[0].value, 0.0);
    EXPECT_EQ(helpers->calls[0].duration, 0.8);
    advance(0.39);
    EXPECT_EQ(helpers->calls.size(), 1u);
    advance(0.02);
    ASSERT_EQ(helpers->calls.size(), 2u);
    EXPECT_EQ(helpers->calls[1].view, view->kestruneIconImage.lock().get());
    EXPECT_EQ(helpers->calls[1].duration, 0.8);
    EXPECT_TRUE(view->layer()->masksToBounds());
    view->showKestruneIcon_animated(true, false);
    EXPECT_EQ(helpers->calls.back().duration, 0.0);
    EXPECT_EQ(kestrune::LoginIconNotificationImageView::alphaForKestruneOn(true), 1.0);
}

}  // namespace
