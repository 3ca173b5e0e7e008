#include "engine/coordinator/StateMachine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/records/Device.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/OSXPreferences.h"
#include "app/records/PairingInfo.h"
#include "app/records/SessionInfo.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "link/transport/ClearBluetoothCacheController.h"
#include "platform/base/Clock.h"
#include "platform/base/Quit.h"
#include "platform/ui/Window.h"
#include "tests/engine/CoordinatorFixture.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Number;

using namespace coordinatortests;

namespace {

using StateMachineTest = CoordinatorTest;

TEST_F(StateMachineTest, StartUpRunsItsStepsInOrderAndOpensTheWindowOnlyForAUserLaunch) {
    for (bool byUser : {false, true}) {
        SCOPED_TRACE(byUser);
        TearDown();
        SetUp();
        const double launchedAt = platform::Date::now().timeIntervalSince1970();
        machine->applicationDidFinishLoading(byUser);
        EXPECT_TRUE(log.calls.empty()) << "start-up is queued, not run inline";
        advance(8.5);
        // The lid watcher reports the lid once as it starts, which resumes scanning with the lid open.
        std::vector<std::string> expected = {
            "migrate",     "scanning indicator", "intense scanning", "check LE",         "version update",
            "silent push", "tracker opened",     "history 1/0",      "rebuild settings", "dock off"};
        if (byUser) expected.insert(expected.end(), {"show window", "dock on"});
        expected.push_back("scanning indicator");
        // With the settings window open the devices page follows the Bluetooth state.
        if (byUser) expected.push_back("devices page");
        expected.push_back("intense scanning");
        // The window brought the application to the front: the permission pages look again.
        if (byUser) expected.push_back("permissions recheck");
        for (auto s : {"hot keys", "login items", "remote sync made", "remote unlink check", "auto updates",
                       "check updates", "clear ignore list"})
            expected.push_back(s);
        EXPECT_EQ(log.names(), expected);
        EXPECT_NEAR(log.at("show window"), byUser ? 0.2 : -1, 1e-6);
        EXPECT_NEAR(log.at("permissions recheck"), byUser ? 0.5 : -1, 1e-6);
        EXPECT_NEAR(log.at("hot keys"), 7.0, 1e-6);
        // The fail-safe timer of the wake (8 s) replaced the one of Bluetooth coming on (16 s).
        EXPECT_NEAR(log.at("clear ignore list"), 8.3, 1e-6);
        // A fresh installation's first run is this one, not the registered 1970 placeholder.
        ASSERT_TRUE(DeviceLocalSettings::shared().veryFirstKestruneRunDate());
        EXPECT_NEAR(DeviceLocalSettings::shared().veryFirstKestruneRunDate()->timeIntervalSince1970(),
                    launchedAt, 1);
        EXPECT_TRUE(DeviceLocalSettings::shared().mostRecentKestruneRunDate());
    }
}

// The start-up is queued on the main loop, where a quit signal's request may come in the same turn: once
// the quit has begun, nothing of the running system starts and no window shows.
TEST_F(StateMachineTest, AStartUpQueuedBeforeTheQuitBeganStartsNothing) {
    machine->applicationDidFinishLoading(true);
    platform::Quit::begin();
    advance(8.5);
    platform::Quit::resetForTesting();
    EXPECT_TRUE(log.calls.empty()) << ::testing::PrintToString(log.names());
}

TEST_F(StateMachineTest, AnEarlierFirstRunIsKeptAndAFreshInstallationHasNoCacheWarning) {
    // Fresh: nothing stored, no phone, Bluetooth on; the start must not take the installation for an old
    // one whose cache was never cleared.
    machine->applicationDidFinishLoading(false);
    advance(8.5);
    EXPECT_FALSE(ClearBluetoothCacheController::shared().sholdShowCorruptedBluetoothCacheError());

    const auto earlier = platform::Date::dateWithTimeIntervalSince1970(1'700'000'000);
    TearDown();
    SetUp();
    DeviceLocalSettings::shared().setVeryFirstKestruneRunDate(earlier);
    machine->applicationDidFinishLoading(false);
    advance(8.5);
    EXPECT_EQ(DeviceLocalSettings::shared().veryFirstKestruneRunDate()->timeIntervalSince1970(),
              1'700'000'000);
}

TEST_F(StateMachineTest, RestartRuleAtItsBoundsAndWithAClockSetBack) {
    struct Case {
        double restartedAgo;  // negative: the clock was set back past the stored moment
        int window;
        bool recent;
    };
    const Case cases[] = {{11, 12, true},    {12, 12, false}, {299, 300, true},
                          {300, 300, false}, {-5, 12, false}, {-5, 300, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.restartedAgo << " s ago, window " << c.window);
        DeviceLocalSettings::shared().setLastProgramaticRestartDate(
            platform::Date::dateWithTimeIntervalSince1970(platform::Date::now().timeIntervalSince1970() -
                                                          c.restartedAgo));
        EXPECT_EQ(machine->applicationDidRestartProgramaticallyInTheLastSeconds(c.window), c.recent);
    }
}

TEST_F(StateMachineTest, NeverRestartedCountsAsLongAgo) {
    EXPECT_FALSE(machine->applicationDidRestartProgramaticallyInTheLastSeconds(300));
}

TEST_F(StateMachineTest, AStartRightAfterARelaunchWritesNoStartEntry) {
    DeviceLocalSettings::shared().setLastProgramaticRestartDate(platform::Date::now());
    advance(5);
    start(false);
    EXPECT_EQ(log.count("tracker opened"), 0u);
    EXPECT_EQ(log.count("history 1/0"), 0u);
}

TEST_F(StateMachineTest, FatalLinkErrorRelaunchesAtMostOnceIn300Seconds) {
    machine->requestControllerDidExperienceFatalError();
    advance(299);
    machine->requestControllerDidExperienceFatalError();
    EXPECT_EQ(log.count("relaunch"), 1u);
    advance(1);
    machine->requestControllerDidExperienceFatalError();
    EXPECT_EQ(log.count("relaunch"), 2u);
}

TEST_F(StateMachineTest, FailSafeTimerCleansOnlyWhenNotConnectedAndNotPairing) {
    struct Case {
        bool phone, connected, pairing, cleans;
    };
    const Case cases[] = {{false, false, false, true},
                          {true, false, false, true},
                          {true, true, false, false},
                          {false, false, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.phone << c.connected << c.pairing);
        DataManager::resetSharedForTesting();
        if (c.phone) addTrackedPhone(c.connected);
        if (c.pairing) DataManager::shared().setPairingMobileDevice(MobileDevice::initWithUnId("new"));
        log.calls.clear();
        machine->startFailSafeTimerWithDelay(16);
        advance(15.9);
        EXPECT_EQ(log.count("clear ignore list"), 0u);
        advance(0.2);
        EXPECT_EQ(log.count("clear ignore list"), c.cleans ? 1u : 0u);
        EXPECT_FALSE(machine->failSafeTimerIsRunning());
    }
}

TEST_F(StateMachineTest, BluetoothGoingOffCancelsTheFailSafeTimerButASleepingMacKeepsIt) {
    machine->startFailSafeTimerWithDelay(8);
    system->sleeping = true;
    system->bluetoothOn = false;
    machine->bluetoothStateChanged();
    EXPECT_TRUE(machine->failSafeTimerIsRunning());
    system->sleeping = false;
    machine->bluetoothStateChanged();
    EXPECT_FALSE(machine->failSafeTimerIsRunning());
    advance(20);
    EXPECT_EQ(log.count("clear ignore list"), 0u);
}

TEST_F(StateMachineTest, WithoutBluetoothLENothingScansAndAStateOf2ShowsTheTutorial) {
    system->leSupported = false;
    system->leOn = false;
    system->centralState = 2;
    start(false);
    log.calls.clear();
    advance(600);
    EXPECT_EQ(log.count("intense scanning"), 0u);
    EXPECT_EQ(log.count("clear ignore list"), 0u) << "neither the fail-safe timer nor the periodic cleaner";
    EXPECT_GE(log.count("no LE tutorial"), 1u);
}

TEST_F(StateMachineTest, PeriodicCleanerRunsEvery240Seconds) {
    start(false);
    advance(10);
    log.calls.clear();
    advance(480);
    EXPECT_EQ(log.count("clear ignore list"), 2u);
}

TEST_F(StateMachineTest, QuitWritesOneEntryShutsDownTwiceAndTerminatesAfterOneAndAHalfSeconds) {
    start(false);
    advance(10);
    log.calls.clear();
    log.origin = platform::Clock::now();
    machine->cleanUpAndQuitKestrune();
    EXPECT_TRUE(machine->applicationInShutdownProcess());
    advance(1.4);
    EXPECT_EQ(log.count("terminate"), 0u);
    advance(0.2);
    ASSERT_EQ(log.count("terminate"), 1u);
    EXPECT_NEAR(log.at("terminate"), 1.5, 1e-6);
    // The application then terminates, which reaches the coordinator again.
    machine->applicationWillTerminate();
    EXPECT_EQ(log.count("history 4/1"), 1u);
    EXPECT_EQ(log.count("disconnect all"), 2u);
    EXPECT_EQ(log.count("stop tracking"), 2u);
    EXPECT_EQ(log.count("remove icon"), 2u);
}

TEST_F(StateMachineTest, PowerOffClearsTheBluetoothCacheOnlyForTesters) {
    for (bool debug : {false, true}) {
        system->debug = debug;
        log.calls.clear();
        machine->macWillShutDown();
        EXPECT_EQ(log.count("disconnect all"), 1u);
        EXPECT_EQ(log.count("force clear cache"), debug ? 1u : 0u);
    }
}

// Each case in its own test: the local settings persist within one test's home. The temporary clear
// date is always there (its registered default is 1970), as it was where this rule comes from.
struct CacheCase {
    bool tempDate;
    int64_t stored, current;
    bool newClearDate;
    int64_t storedAfter;
};

class StateMachineCacheTest : public StateMachineTest, public testing::WithParamInterface<CacheCase> {};

TEST_P(StateMachineCacheTest, BluetoothCacheBookkeeping) {
    const auto& c = GetParam();
    auto& settings = DeviceLocalSettings::shared();
    if (c.tempDate) settings.setTempClearBluetoothCacheDate(platform::Date::now());
    settings.setClearBluetoothFileSize(c.stored);
    system->cacheSize = c.current;
    start(false);
    // The registered default of the clear date is 1970.
    ASSERT_TRUE(settings.clearBluetoothCacheDate());
    EXPECT_EQ(settings.clearBluetoothCacheDate()->timeIntervalSince1970() > 0, c.newClearDate);
    EXPECT_EQ(settings.clearBluetoothFileSize(), c.storedAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, StateMachineCacheTest,
                         testing::Values(CacheCase{true, 500, 300, true, 300},   // shrank: cleared in between
                                         CacheCase{true, 300, 500, false, 500},  // grew
                                         CacheCase{true, 500, 0, false, 500}));  // no file: nothing changes

TEST_F(StateMachineTest, StartUpResetsTheTrackedPhoneAndIsSafeWithoutOne) {
    // Without a tracked phone every entry point runs and does nothing for the phone.
    machine->updateDataModelBeforeStartingToScan();
    machine->startScanningIndicatorIfNeeded();
    machine->startFailsafeTimeAfterDelayIfNeeded();
    EXPECT_TRUE(machine->failSafeTimerIsRunning());
    EXPECT_EQ(log.count("scanning indicator"), 1u);
    machine->invalidateFailSafeTimer();

    auto phone = addTrackedPhone(true);
    auto settings = DataManager::shared().settingsForDeviceId(std::string("phone-1"));
    settings->OSXSettings()->setIsWaitingForConfirmation(Number(1));
    machine->startFailsafeTimeAfterDelayIfNeeded();
    EXPECT_FALSE(machine->failSafeTimerIsRunning()) << "a connected phone needs no fail-safe";
    start(false);
    EXPECT_FALSE(phone->mobileDeviceConnectionInfo()->isConnected()->boolValue());
    EXPECT_EQ(settings->OSXSettings()->isWaitingForConfirmation()->intValue(), 0);
    // A settings record that went missing is not an error either.
    DataManager::shared().model()->dictOfMobileDeviceSettings()->clear();
    DataManager::shared().model()->dictOfAllMobileDevice()->emplace("phone-1", phone);
    machine->updateDataModelBeforeStartingToScan();
    machine->prepareForShutdown(true);
}

TEST_F(StateMachineTest, LidFactReachesThePhoneOnlyWhenItChanges) {
    testsupport::LogCapture said;
    start(false);
    advance(1);
    log.calls.clear();
    // The first report, as the watcher starts, is no change: nothing is said of it.
    auto decisions = [&said] {
        std::vector<std::string> out;
        for (const auto& line : said.lines())
            if (line.rfind("Decision: ", 0) == 0) out.push_back(line);
        return out;
    };
    EXPECT_EQ(decisions(), std::vector<std::string>{});
    // The lid watcher's report reaches the coordinator through its observer.
    session->closeLid();
    advance(1);
    EXPECT_EQ(log.count("session sent 2"), 1u);
    EXPECT_EQ(log.count("intense scanning"), 0u) << "a closed lid without a monitor does not scan harder";
    // A second report of the same fact sends nothing, and decides nothing new.
    machine->laptopLidChangedOrExternalMonitorChanged();
    EXPECT_EQ(log.count("session sent 2"), 1u);
    // A display plugged into the closed Mac: it is in use again, though nothing scans harder.
    session->setDisplays({{1, true, {0, 0, 1440, 900}}, {2, false, {1440, 0, 1920, 1080}}});
    advance(1);
    EXPECT_EQ(log.count("session sent 2"), 2u);
    session->setDisplays({{1, true, {0, 0, 1440, 900}}});
    advance(1);
    EXPECT_EQ(log.count("session sent 2"), 3u);
    session->openLid();
    advance(1);
    EXPECT_EQ(log.count("session sent 2"), 4u);
    EXPECT_GE(log.count("intense scanning"), 1u);
    EXPECT_EQ(
        decisions(),
        (std::vector<std::string>{
            "Decision: tell the phone the Mac is shut, the lid was closed with no external display",
            "Decision: tell the phone the Mac is in use again, an external display was plugged in, the lid "
            "closed",
            "Decision: tell the phone the Mac is shut, the external display was unplugged, the lid "
            "closed",
            "Decision: scan for the phone at full speed and tell the phone the Mac is in use again, the lid "
            "was opened with no external display"}));
    // Without this Mac's device record there is nothing to compare or send.
    DataManager::shared().model()->setCurrentDevice(nullptr);
    session->closeLid();
    advance(1);
    EXPECT_EQ(log.count("session sent 2"), 4u);
}

TEST_F(StateMachineTest, ClosingAWindowUpdatesTheDockIconAfterAFifthOfASecond) {
    start(false);
    log.calls.clear();
    platform::NotificationCenter::defaultCenter().post(platform::ui::Window::kWillCloseNotification);
    advance(0.19);
    EXPECT_EQ(log.count("dock off"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("dock off"), 1u);
}

TEST_F(StateMachineTest, DockIconFollowsTheSettingsWindow) {
    machine->updateDockItem();
    splitWindow->orderFront(nullptr);
    machine->updateDockItem();
    EXPECT_EQ(log.names(), (std::vector<std::string>{"dock off", "dock on"}));
}

}  // namespace

namespace {

TEST_F(StateMachineTest, LockHotKeyLocksAQuarterSecondLaterWithTheChosenAction) {
    DeviceLocalSettings::shared().setActionOnLogout(2);
    machine->shortCutManager_didSelectOption(0);
    machine->shortCutManager_didSelectOption(7);
    machine->shortCutManager_didSelectOption(1);
    advance(0.24);
    EXPECT_EQ(log.count("lock 2/4"), 0u);
    advance(0.02);
    EXPECT_EQ(log.names(), (std::vector<std::string>{"send clipboard", "lock 2/4"}))
        << "option 0 sends the clipboard at once, option 1 locks, any other does nothing";
}

TEST_F(StateMachineTest, FailedLoginStoresTheEntryAndWarnsThePhoneOnlyWhenAsked) {
    auto& settings = DeviceLocalSettings::shared();
    for (bool warn : {false, true}) {
        SCOPED_TRACE(warn);
        log.calls.clear();
        settings.setNewFaileLoginAttemptDetected(false);
        settings.setWarnUserOnLoginFailed(warn);
        settings.setTakePhotoOnFailedLogin(warn);
        machine->failedloginAttemptListenerDidDetectFailedLogin();
        std::vector<std::string> expected{warn ? "failed login photo" : "failed login"};
        if (warn) expected.push_back("notify 2 push");
        EXPECT_EQ(log.names(), expected);
        EXPECT_TRUE(settings.newFaileLoginAttemptDetected());
    }
}

TEST_F(StateMachineTest, LockOnDisconnectIsBlockedByTrustedWifiOrALoggedOutUser) {
    struct Case {
        bool trustedWifi, loggedIn, locks;
    };
    const Case cases[] = {{false, true, true}, {true, true, false}, {false, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.trustedWifi << c.loggedIn);
        log.calls.clear();
        features->trustedWifi = c.trustedWifi;
        DataManager::shared().getActiveDesktopDevice()->sessionInfo()->setUserIsLoggedIn(Number(c.loggedIn));
        machine->logoutOnDisconnectManagerShouldLogout();
        EXPECT_EQ(log.count("lock " + std::to_string(DeviceLocalSettings::shared().actionOnLogout()) + "/3"),
                  c.locks ? 1u : 0u);
    }
    // No device record for this Mac: nobody counts as logged in.
    log.calls.clear();
    features->trustedWifi = false;
    DeviceLocalSettings::shared().setWarnUserOnLoginFailed(false);
    DataManager::shared().model()->setCurrentDevice(nullptr);
    machine->logoutOnDisconnectManagerShouldLogout();
    machine->failedloginAttemptListenerDidDetectFailedLogin();
    EXPECT_EQ(log.calls.size(), 1u) << "only the failed-login entry";
}

TEST_F(StateMachineTest, NotificationClickOpensThePanelBriefly) {
    machine->showMainMenu();
    EXPECT_EQ(log.names(), std::vector<std::string>{"panel 1.5"});
}

}  // namespace

namespace {

TEST_F(StateMachineTest, CommandsFromThePhoneWhenAlreadyInThatStateOnlyReportTheState) {
    auto phone = addTrackedPhone(true);
    auto osx = DataManager::shared().settingsForDeviceId(std::string("phone-1"))->OSXSettings();
    struct Case {
        bool loggedIn, unlock;
        std::vector<std::string> calls;
    };
    const std::string lock = "lock " + std::to_string(DeviceLocalSettings::shared().actionOnLogout()) + "/1";
    const Case cases[] = {{true, true, {"session sent 2"}},
                          {true, false, {lock}},
                          {false, true, {"unlock 1"}},
                          {false, false, {"session sent 2"}}};
    start(false);
    advance(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.loggedIn << c.unlock);
        if (!c.loggedIn && !session->isLocked()) {
            session->lock();
            advance(1);
        }
        osx->setIsWaitingForConfirmation(Number(1));
        log.calls.clear();
        if (c.unlock)
            machine->requestController_didReceiveLoginCommandFromMobileDevice(phone);
        else
            machine->requestController_didReceiveLogoutCommandFromMobileDevice(phone);
        EXPECT_EQ(log.names(), c.calls);
        EXPECT_EQ(osx->isWaitingForConfirmation()->intValue(), 0);
    }
}

TEST_F(StateMachineTest, UnlinkAndForgetStatusesForgetThePhonesOneSecondLater) {
    for (int status : {8, 9, 2}) {
        SCOPED_TRACE(status);
        DataManager::resetSharedForTesting();
        auto phone = addTrackedPhone(true);
        log.calls.clear();
        machine->updateConnectionStatus_forDevice_andNotifyDevice(status, phone, false);
        auto stored = DataManager::shared()
                          .settingsForDeviceId(std::string("phone-1"))
                          ->pairingInfo()
                          ->connectionStatus();
        EXPECT_EQ(stored->intValue(), status == 8 ? -1 : status);
        advance(0.9);
        EXPECT_EQ(log.count("forget all"), 0u);
        advance(0.2);
        // The phone stopped being the tracked one as -1 was stored; it was tracked when the status came.
        EXPECT_EQ(log.count("forget all"), status == 2 ? 0u : 1u);
        EXPECT_EQ(log.count("disconnect all"), status == 2 ? 0u : 1u);
    }
    // No phone: nothing happens.
    machine->updateConnectionStatus_forDevice_andNotifyDevice(8, nullptr, true);
}

TEST_F(StateMachineTest, LockOnDisconnectStartsOnlyWhenEveryConditionHolds) {
    auto phone = addTrackedPhone(false);
    auto track = DataManager::shared().settingsForDeviceId(std::string("phone-1"))->mobileDeviceTrackInfo();
    auto reset = [&] {
        track->setShouldTrackMobileDevice(Number(true));
        DeviceLocalSettings::shared().setLogoutOnDisconnect(true);
        features->trustedWifi = false;
        system->bluetoothOn = true;
    };
    reset();
    EXPECT_TRUE(machine->shouldStartLogoutOnDisconnect(phone));
    EXPECT_FALSE(machine->shouldStartLogoutOnDisconnect(MobileDevice::initWithUnId("other")));
    EXPECT_FALSE(machine->shouldStartLogoutOnDisconnect(nullptr));
    const std::vector<std::function<void()>> breakers = {
        [&] { track->setShouldTrackMobileDevice(Number(false)); },
        [&] { DeviceLocalSettings::shared().setLogoutOnDisconnect(false); },
        [&] { features->trustedWifi = true; },
        [&] { system->bluetoothOn = false; },
        [&] { machine->cleanUpAndQuitKestrune(); },
    };
    for (size_t i = 0; i < breakers.size(); ++i) {
        SCOPED_TRACE(i);
        reset();
        breakers[i]();
        EXPECT_FALSE(machine->shouldStartLogoutOnDisconnect(phone));
    }
}

}  // namespace

namespace {

TEST_F(StateMachineTest, StartUpMakesTheCommandControllerAndTheDeciderAndIsTheirDelegate) {
    EXPECT_FALSE(machine->loginLogoutController());
    EXPECT_FALSE(machine->loginLogoutDecider());
    EXPECT_FALSE(machine->logoutOnDisconnectManager());
    // Before start-up the entry points have nothing to work on and do nothing.
    machine->RSSILoginLogoutDecider_loginForMobileDevice(
        *std::make_unique<kestrune::RSSILoginLogoutDecider>(), nullptr);
    machine->displayOnButUserNotLoggedIn();
    machine->lockHiddenFromScreen();
    start(false);
    ASSERT_TRUE(machine->loginLogoutController());
    ASSERT_TRUE(machine->loginLogoutDecider());
    ASSERT_TRUE(machine->logoutOnDisconnectManager());
    EXPECT_EQ(machine->loginLogoutController()->delegate, machine.get());
    EXPECT_EQ(machine->loginLogoutDecider()->delegate, machine.get());
    EXPECT_EQ(machine->logoutOnDisconnectManager()->delegate, machine.get());
    ASSERT_TRUE(machine->securityAgentListener());
    EXPECT_EQ(machine->securityAgentListener()->delegate.lock().get(),
              static_cast<kestrune::SecurityAgentListenerDelegate*>(machine.get()));
    ASSERT_TRUE(machine->failedLoginListener());
    EXPECT_EQ(machine->failedLoginListener()->delegate, machine.get());
}

// Without a command service of the caller's, the coordinator's commands reach the controller it made:
// a lock from the hot key locks the session.
TEST_F(StateMachineTest, WithoutACommandServiceLocksReachTheRealCommandController) {
    kestrune::CoordinatorServices services;
    services.link = std::make_shared<RecordingLink>(log);
    services.system = system;
    services.makeRequestController = []() -> std::shared_ptr<kestrune::RequestController> { return nullptr; };
    auto real = kestrune::StateMachine::create(services);
    real->applicationDidFinishLoading(false);
    advance(10);  // the user idle, past the start-up tasks
    ASSERT_FALSE(session->isLocked());
    real->shortCutManager_didSelectOption(1);
    advance(1);
    EXPECT_TRUE(session->isLocked());
    EXPECT_GE(log.count("session sent 2"), 1u) << "the lock chosen on the Mac is reported as the Mac's";
    platform::FileEventSource::cancelAllForTesting();
}

}  // namespace
