// What the coordinator does with each lock and unlock outcome, the pause after a manual action, the
// lock screen and the system's notifications.

#include "app/records/DeviceLocalSettings.h"
#include "engine/coordinator/ConfirmationRequestHandler.h"
#include "engine/evidence/MacDisplayControl.h"
#include "platform/base/NotificationCenter.h"
#include "platform/ui/Window.h"
#include "tests/engine/CoordinatorFixture.h"

using namespace coordinatortests;
using kestrune::DataManager;
using kestrune::DeviceLocalSettings;

namespace {

using Calls = std::vector<std::string>;

class OutcomesTest : public CoordinatorTest {
protected:
    // The calls that make an outcome visible: session state, history, tracker, usage, notices,
    // tutorials.
    Calls outcome() const {
        return log.only({"session sent", "history", "tracker", "usage", "notice", "tutorial", "panel"});
    }
    std::shared_ptr<MobileDevice> startWithPhone(bool connected) {
        auto phone = addTrackedPhone(connected);
        startQuietly();
        connect(phone, connected);
        return phone;
    }
    bool pausedByLogin() { return track().proxLockTemporaryDisabledBecauseLogin()->boolValue(); }
    bool pausedByLogout() { return track().proxLockTemporaryDisabledBecauseLogout()->boolValue(); }
};

TEST_F(OutcomesTest, UnlockOutcomePerReason) {
    auto phone = startWithPhone(true);
    setLocation(2);  // inside: no pause after the unlock
    struct Case {
        int reason;
        Calls calls;
    };
    const Case cases[] = {
        {0,
         {"session sent 1", "notice unlocked with phone", "tutorial proximity unlock",
          "usage Unlock/Kestrune", "history 2/3", "tracker unlocked"}},
        {1,
         {"session sent 1", "notice unlocked with phone", "usage Unlock/Fast Lock", "history 2/4",
          "tracker unlocked"}},
        {2,
         {"session sent 1", "notice unlocked with phone", "tutorial confirmed unlock", "history 2/2",
          "tracker unlocked"}},
        {5,
         {"session sent 1", "notice unlocked wifi", "usage Unlock/Safe Wifi", "history 2/6",
          "tracker unlocked"}},
        {3, {"session sent 1", "history 2/0", "tracker unlocked"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        // An unlock carried out clears an earlier failed one before anything is told.
        DeviceLocalSettings::shared().setFailedToUnlockMac(true);
        forget();
        machine->loginLogoutController_didLoginbyMobileDevice_commandReason(commandController(), phone,
                                                                            c.reason);
        EXPECT_EQ(outcome(), c.calls);
        EXPECT_FALSE(DeviceLocalSettings::shared().failedToUnlockMac());
        EXPECT_EQ(log.count("music resume"), 1u);
    }
    // The photo follows the setting.
    DeviceLocalSettings::shared().setTakePhotoAfterEachLogin(true);
    forget();
    machine->loginLogoutController_didLoginbyMobileDevice_commandReason(commandController(), phone, 0);
    EXPECT_EQ(log.count("history 2/3 photo"), 1u);
}

TEST_F(OutcomesTest, LockOutcomePerReason) {
    auto phone = startWithPhone(true);
    struct Case {
        int reason;
        Calls calls;
    };
    const Case cases[] = {
        {0,
         {"tutorial proximity lock", "session sent 1", "usage Lock/Kestrune", "history 3/3",
          "tracker locked"}},
        {1, {"session sent 1", "usage Lock/Fast Lock", "history 3/4", "tracker locked"}},
        {3, {"session sent 1", "usage Lock/Lost Bluetooth Connection", "history 3/5", "tracker locked"}},
        {4, {"session sent 2", "history 3/4", "tracker locked"}},
        {2, {"history 3/0", "tracker locked"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        DeviceLocalSettings::shared().setFailedToLockMac(true);
        forget();
        machine->loginLogoutController_didLogoutbyMobileDevice_commandReason(commandController(), phone,
                                                                             c.reason);
        EXPECT_EQ(outcome(), c.calls);
        EXPECT_EQ(log.count("music pause"), 1u);
        EXPECT_FALSE(DeviceLocalSettings::shared().failedToLockMac()) << "a lock clears the failed-lock flag";
    }
}

TEST_F(OutcomesTest, ManualOutcomesAndFailures) {
    auto phone = startWithPhone(true);
    setLocation(2);
    forget();
    machine->loginLogoutControllerDidLoginManualyByUser(commandController());
    EXPECT_EQ(outcome(), (Calls{"session sent 2", "history 2/1", "tracker unlocked"}));
    forget();
    machine->loginLogoutControllerDidLogoutManualyByUser(commandController());
    EXPECT_EQ(outcome(), (Calls{"session sent 2", "history 3/0", "tracker locked"}));
    forget();
    machine->loginLogoutControllerDidFailToLogin(commandController());
    EXPECT_EQ(log.names(), Calls{"notify 4"});
    forget();
    machine->loginLogoutController_canNotLoginWithGivenPasswordForMobileDevice(commandController(), phone);
    EXPECT_EQ(log.names(), Calls{"status 7"});
}

TEST_F(OutcomesTest, FailedLockUnlockAndStrangersLoginAreToldAtTheNextUnlock) {
    auto phone = startWithPhone(true);
    setLocation(2);
    machine->loginLogoutControllerUnableToLockMac(commandController());
    EXPECT_EQ(log.names(), Calls{"session sent 2"}) << "the phone hears the Mac is still unlocked";
    machine->loginLogoutControllerUnableToUnlockMac(commandController());
    machine->failedloginAttemptListenerDidDetectFailedLogin();
    EXPECT_TRUE(DeviceLocalSettings::shared().failedToLockMac());
    EXPECT_TRUE(DeviceLocalSettings::shared().failedToUnlockMac());
    // Nothing is shown until the next unlock; then the failed lock first, the unlock one at the one after.
    EXPECT_EQ(log.only({"panel", "notice"}), Calls{});
    forget();
    machine->loginLogoutControllerDidLoginManualyByUser(commandController());
    EXPECT_EQ(log.only({"panel", "notice"}), (Calls{"panel lock failed", "notice failed login"}));
    forget();
    machine->loginLogoutControllerDidLoginManualyByUser(commandController());
    EXPECT_EQ(log.only({"panel", "notice"}), Calls{"panel unlock failed"});
    forget();
    machine->loginLogoutControllerDidLoginManualyByUser(commandController());
    EXPECT_EQ(log.only({"panel", "notice"}), Calls{});
}

TEST_F(OutcomesTest, AManualUnlockWhileThePhoneIsAwayPausesProximityLockingNoticeOnlyWhenConnected) {
    struct Case {
        bool connected;
        int32_t location;
        bool paused, notice;
    };
    const Case cases[] = {{true, 1, true, true}, {false, 0, true, false}, {true, 2, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.connected << " " << c.location);
        TearDown();
        SetUp();
        startWithPhone(c.connected);
        setLocation(c.location);
        forget();
        machine->loginLogoutControllerDidLoginManualyByUser(commandController());
        EXPECT_EQ(pausedByLogin(), c.paused);
        EXPECT_EQ(log.count("panel paused"), c.notice ? 1u : 0u);
        EXPECT_EQ(log.count("track info sent"), c.paused ? 1u : 0u);
        if (c.paused) {
            EXPECT_TRUE(track().shouldTrackMobileDevice()->boolValue()) << "tracking stays on";
        }
    }
}

TEST_F(OutcomesTest, ThePauseAfterAnUnlockWaitsWhileAConnectionSyncsRetryingEveryHalfSecond) {
    auto phone = startWithPhone(false);
    setLocation(1);
    machine->requestController_didStartSyncingWithMobileDevice(rc(), phone);
    machine->loginLogoutControllerDidLoginManualyByUser(commandController());
    // Retried at 0.5 and 1.0 s while the sync is younger than 1.5 s; done at the retry at 1.5 s.
    advance(1.49);
    EXPECT_FALSE(pausedByLogin());
    advance(0.02);
    EXPECT_TRUE(pausedByLogin());
}

TEST_F(OutcomesTest, ALockOnPurposePausesProximityUnlockOnlyWithThePhoneInsideAndNoConfirmation) {
    struct Case {
        int reason;
        int32_t location, method;
        bool paused;
        int side;
    };
    const Case cases[] = {{4, 2, 0, true, 2},
                          {1, 2, 0, true, 1},
                          {4, 1, 0, false, 0},
                          {4, 2, 1, false, 0},
                          {0, 2, 0, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.reason << " " << c.location << " " << c.method);
        TearDown();
        SetUp();
        auto phone = startWithPhone(true);
        setLocation(c.location);
        osx().setOnApproachAuthMethod(Number(c.method));
        machine->loginLogoutController_didLogoutbyMobileDevice_commandReason(commandController(), phone,
                                                                             c.reason);
        EXPECT_EQ(pausedByLogout(), c.paused);
        if (c.paused) {
            EXPECT_EQ(track().deviceResponsibleForLastChange()->intValue(), c.side);
        }
    }
}

TEST_F(OutcomesTest, PausesEndAtTheLockAndAtTheUnlockThatCancelThem) {
    auto phone = startWithPhone(true);
    track().setProxLockTemporaryDisabledBecauseLogin(Number(true));
    track().setProxLockTemporaryDisabledBecauseLogout(Number(true));
    machine->RSSILoginLogoutDecider_didEnterKestruneRadius(decider(), phone);
    EXPECT_FALSE(pausedByLogin());
    EXPECT_TRUE(pausedByLogout());
    machine->RSSILoginLogoutDecider_didExitKestruneRadius(decider(), phone);
    EXPECT_FALSE(pausedByLogout());
    EXPECT_EQ(log.count("track info sent"), 2u);
    // Nothing to end: nothing is sent.
    forget();
    machine->disableTempProxTrackingIfOn();
    machine->disableTempProxTrackingAfterLoginIfOn();
    EXPECT_EQ(log.count("track info sent"), 0u);
}

class LockScreenTest : public OutcomesTest {
protected:
    // A connected phone far from the Mac, asked to confirm at the password field (the default method 2);
    // the session locked long enough ago that the first lock-screen action has come and gone.
    std::shared_ptr<MobileDevice> lockedWithPhoneAway() {
        auto phone = startWithPhone(true);
        settingsOf()->setDistanceFromDevice(Number(80));
        setLocation(1);
        lockSession();
        advance(3);
        forget();
        return phone;
    }
};

TEST_F(LockScreenTest, TheLockScreenAsksThePhoneOnceIn2AndAHalfSeconds) {
    auto phone = addTrackedPhone(true);
    settingsOf()->setDistanceFromDevice(Number(80));
    startQuietly();
    connect(phone);
    setLocation(1);
    // The lock screen appearing reaches the coordinator through the command controller.
    lockSession();
    EXPECT_EQ(log.count("confirm password"), 1u);
    EXPECT_EQ(waiting(), 2);
    advance(1.4);  // 2.4 s after the first action
    machine->displayOnButUserNotLoggedIn();
    EXPECT_EQ(log.count("confirm password") + log.count("confirm password silent"), 1u);
    advance(0.2);
    machine->displayOnButUserNotLoggedIn();
    EXPECT_EQ(log.count("confirm password silent"), 1u) << "the second within 6 s goes silently";
}

TEST_F(LockScreenTest, NoRequestWhenTheProximityRoadWillUnlockByItself) {
    auto phone = lockedWithPhoneAway();
    settingsOf()->setDistanceFromDevice(Number(50));  // inside now
    machine->displayOnButUserNotLoggedIn();
    EXPECT_EQ(log.count("confirm password"), 0u);
    // With a confirmation on approach the proximity road asks the phone itself... unless the user chose
    // not to unlock on approach, in which case the password field asks.
    advance(3);
    osx().setOnApproachAuthMethod(Number(1));
    DeviceLocalSettings::shared().setLoginOnApproach(true);
    EXPECT_FALSE(machine->willLoginOnceLockOnScreenAppearsBecauseOfTempDisabled());
    machine->handleLockAppearedAction();
    EXPECT_EQ(log.count("confirm password"), 1u);
}

TEST_F(LockScreenTest, RetriesWaitForASignalReadAndASettlingSync) {
    auto phone = lockedWithPhoneAway();
    // A read asked just now: the request waits 0.45 s at a time until the read is 1 s old.
    machine->recheckRSSIAfterShortDelayForMobileDevice(phone);
    machine->sendRemoteLoginRequestBecausePassAppeared(phone);
    advance(1.34);
    EXPECT_EQ(log.only({"confirm password"}), Calls{});
    advance(0.02);
    EXPECT_EQ(log.only({"confirm password"}), Calls{"confirm password silent"}) << "within 6 s of the first";

    // A connection that started syncing: the lock-screen action waits 0.75 s at a time until 1.5 s.
    advance(3);
    forget();
    machine->requestController_didStartSyncingWithMobileDevice(rc(), phone);
    connect(phone);
    setLocation(1);
    machine->lockAppearedOnScreen();
    advance(1.49);
    EXPECT_EQ(log.only({"confirm password"}), Calls{});
    advance(0.02);
    EXPECT_EQ(log.only({"confirm password"}).size(), 1u);
}

TEST_F(LockScreenTest, WithTheLidClosedAndNoMonitorTheLockScreenDoesNothing) {
    auto phone = lockedWithPhoneAway();
    connect(phone, false);
    session->closeLid();
    advance(3);
    forget();
    machine->lockAppearedOnScreen();
    EXPECT_EQ(log.count("scanning indicator"), 0u);
    EXPECT_FALSE(machine->failSafeTimerIsRunning());
    session->openLid();
    advance(3);
    forget();
    machine->lockAppearedOnScreen();
    EXPECT_EQ(log.count("scanning indicator"), 1u);
    EXPECT_TRUE(machine->failSafeTimerIsRunning());
}

TEST_F(LockScreenTest, HidingThePasswordFieldWithdrawsItsRequestAndTrustedWifiUnlocks) {
    auto phone = lockedWithPhoneAway();
    osx().setIsWaitingForConfirmation(Number(2));
    platform::NotificationCenter::defaultCenter().post(
        kestrune::MacDisplayControl::kLockOnScreenHiddenNotification);
    EXPECT_EQ(log.count("cancel confirm password"), 1u);
    EXPECT_EQ(waiting(), 0);
    EXPECT_TRUE(machine->confirmationHandler()->sendLoginRequestNextTimeDeviceConnects());

    forget();
    platform::NotificationCenter::defaultCenter().post("kWifiChangedNotification");
    EXPECT_EQ(log.count("unlock 5"), 0u);
    features->unlockForWifi = true;
    platform::NotificationCenter::defaultCenter().post("kWifiChangedNotification");
    EXPECT_EQ(log.count("unlock 5"), 1u);
    // The lock screen's own action prefers the trusted network to asking the phone.
    forget();
    machine->handleLockAppearedAction();
    EXPECT_EQ(log.names(), Calls{"unlock 5"});
}

TEST_F(OutcomesTest, BothUpdatesPendingWarnAboutThePhoneFirstAndTheMacAtTheNextCall) {
    startWithPhone(true);
    features->warnIos = features->warnMac = true;
    platform::NotificationCenter::defaultCenter().post("updateStateChanged");
    EXPECT_EQ(log.only({"panel", "warned", "background"}), Calls{}) << "queued on the main queue";
    runUntilIdle();
    EXPECT_EQ(log.only({"panel", "warned", "background"}), (Calls{"panel ios update", "warned ios"}));
    forget();
    platform::NotificationCenter::defaultCenter().post("updateStateChanged");
    runUntilIdle();
    EXPECT_EQ(log.only({"panel", "warned", "background"}),
              (Calls{"panel mac update", "background update check", "warned mac"}));
}

TEST_F(OutcomesTest, ARemoteUnlinkForgetsThePhone) {
    auto phone = startWithPhone(false);
    advance(10);  // the record keeper is made 7 s after start-up, with the coordinator as its delegate
    ASSERT_EQ(system->remoteDelegate, static_cast<kestrune::RemoteSyncMacDelegate*>(machine.get()));
    forget();
    auto sync = kestrune::RemoteSyncMac::create();
    machine->remoteSyncMac_didUnlinkFromDevice(*sync, phone);
    EXPECT_EQ(settingsOf()->pairingInfo()->connectionStatus()->intValue(), -1);
    EXPECT_EQ(log.count("unlinked notice"), 1u);
    advance(1.1);
    EXPECT_EQ(log.count("forget all"), 1u);
    EXPECT_EQ(log.count("remote state"), 1u);
}

}  // namespace

namespace {

// Each notification the coordinator observes, by the name the rest of the system posts it under, and
// the first thing it makes the coordinator do.
TEST_F(OutcomesTest, TheElevenObservers) {
    startWithPhone(true);
    splitWindow->orderFront(nullptr);
    system->centralState = 2;
    osx().setIsWaitingForConfirmation(Number(2));
    struct Case {
        const char* name;
        const char* call;  // empty: nothing at all
        double after;
    };
    const Case cases[] = {
        {"bleChangedState", "no LE tutorial", 0},
        {"LaptopLidStateHasChanged", "intense scanning", 0},
        {"ExternalMonitorPluggedInOrOut", "intense scanning", 0},
        {"LockOnScreenHiddenNotification", "cancel confirm password", 0},
        {"applicationWillSleepNotification", "", 0},
        {"applicationDidWakeUpNotification", "intense scanning", 0.1},
        {"kWifiChangedNotification", "wifi wizard refresh", 0},
        {platform::ui::Window::kWillCloseNotification, "dock on", 0.2},
        {"NOTIFICATION_DID_UPDATE_SCANNING", "devices page", 0},
        {"updateStateChanged", "updates page", 0},
        {"KestruneStateUpdateNotification", "updates page", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        forget();
        platform::NotificationCenter::defaultCenter().post(c.name);
        if (c.after > 0) {
            advance(c.after - 0.01);
            EXPECT_EQ(log.count(c.call), 0u) << "not before " << c.after << " s";
        }
        advance(0.02);
        runUntilIdle();
        if (*c.call)
            EXPECT_GE(log.count(c.call), 1u);
        else
            EXPECT_TRUE(log.calls.empty());
    }
}

TEST_F(OutcomesTest, AuthorisationDialogsAreForwardedToThePhoneOnlyWhenItApprovesThem) {
    startWithPhone(true);
    osx().setInstallAuthMethod(Number(0));
    machine->securitAgentDidChange(true);
    EXPECT_TRUE(log.calls.empty()) << "the phone is not asked to approve dialogs";
    osx().setInstallAuthMethod(Number(1));
    machine->securitAgentDidChange(true);
    machine->securitAgentDidChange(false);
    EXPECT_EQ(log.names(), (Calls{"confirm Auth", "cancel Auth"}));
    kestrune::DataManager::resetSharedForTesting();
    forget();
    machine->securitAgentDidChange(true);
    EXPECT_TRUE(log.calls.empty()) << "no tracked phone, no request";

    machine->kestruneDidChange(false);
    EXPECT_TRUE(log.calls.empty());
    machine->kestruneDidChange(true);
    EXPECT_EQ(log.names(), Calls{"permissions recheck"});
    forget();
    machine->systemPreferancesDidChange(true);
    runUntilIdle();
    EXPECT_TRUE(log.calls.empty()) << "still in the system preferences";
    machine->systemPreferancesDidChange(false);
    EXPECT_TRUE(log.calls.empty()) << "the refresh comes after the background read";
    runUntilIdle();
    EXPECT_EQ(log.names(), Calls{"devices page"});
}

}  // namespace

namespace {

// The front-application watch and the failed-login watch report to the coordinator from start-up on.

TEST_F(OutcomesTest, TheAuthorisationDialogInFrontAsksThePhoneAndItsApprovalTypesThePassword) {
    auto phone = startWithPhone(true);
    osx().setInstallAuthMethod(Number(1));
    DataManager::shared().setClearTextPassword_forMobileDevice("secret", phone);
    session->setFrontApplication("SecurityAgent",
                                 kestrune::SecurityAgentListener::kSecurityAgentBundleIdentifier);
    advance(0.31);
    EXPECT_EQ(log.names(), Calls{"confirm Auth"});
    machine->requestController_didConfirmAuthRequest_forDevice(rc(), "approved", phone);
    advance(2);
    std::u16string typed;
    for (const auto& key : session->keysReachingApplications())
        if (key.event.keyDown && key.application == "SecurityAgent") typed += key.event.unicode;
    EXPECT_EQ(typed, u"secret");
    forget();
    session->setFrontApplication("Finder", "com.apple.finder");
    advance(0.31);
    EXPECT_EQ(log.names(), Calls{"cancel Auth"});
}

TEST_F(OutcomesTest, AWrongPasswordTypedAtTheLockScreenIsAFailedLoginTellingThePhone) {
    startWithPhone(true);
    DeviceLocalSettings::shared().setWarnUserOnLoginFailed(true);
    lockSession();
    advance(4);  // well after the lock
    forget();
    for (char ch : std::string("guess"))
        session->postKeyEvent(platform::KeyEvent{0, 0, true, std::u16string(1, ch)});
    session->postKeyEvent(platform::KeyEvent{36, 0, true, {}});
    platform::FileEventSource::deliverPendingEventsForTesting();
    runUntilIdle();
    advance(1.1);
    EXPECT_EQ(log.only({"failed login", "notify"}), (Calls{"failed login photo", "notify 2 push"}));
    EXPECT_TRUE(DeviceLocalSettings::shared().newFaileLoginAttemptDetected());
}

}  // namespace
