#include "engine/StateMachine.h"

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
#include "platform/base/Clock.h"
#include "platform/ui/Window.h"
#include "tests/engine/SessionFixture.h"

using namespace kestrune;
using platform::Number;

namespace {

// Every call the coordinator makes on its neighbours, with the moment it was made.
struct CallLog {
    std::vector<std::pair<std::string, double>> calls;
    double origin = 0;
    void add(std::string what) { calls.emplace_back(std::move(what), platform::Clock::now() - origin); }
    size_t count(const std::string& what) const {
        size_t n = 0;
        for (const auto& c : calls) n += c.first == what;
        return n;
    }
    // Moment of the first call of that name, or -1.
    double at(const std::string& what) const {
        for (const auto& c : calls)
            if (c.first == what) return c.second;
        return -1;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& c : calls) out.push_back(c.first);
        return out;
    }
};

struct RecordingFeatures : FeatureServices {
    CallLog& log;
    explicit RecordingFeatures(CallLog& l) : log(l) {}
    void insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date, uint32_t trigger,
                                               bool photo) override {
        log.add("history " + std::to_string(event) + "/" + std::to_string(trigger) + (photo ? " photo" : ""));
    }
    void applicationOpenedEntry() override { log.add("tracker opened"); }
    void updateShortcutsEnabled() override { log.add("hot keys"); }
    void setShouldAutomaticallyCheckForUpdates(bool) override { log.add("auto updates"); }
    void checkForUpdates() override { log.add("check updates"); }
    void createAndSaveFailedLoginEventTakePhoto(bool photo) override {
        log.add(photo ? "failed login photo" : "failed login");
    }
    bool trustedWifi = false;
    bool isConectedToSafeWifi() override { return trustedWifi; }
};

struct RecordingCommands : LockCommandService {
    CallLog& log;
    explicit RecordingCommands(CallLog& l) : log(l) {}
    void lockScreenFromMobileDevice_action_commandReason(const std::shared_ptr<MobileDevice>&, int32_t action,
                                                         int32_t reason) override {
        log.add("lock " + std::to_string(action) + "/" + std::to_string(reason));
    }
    void loginByMobileDevice_withCommandReason(const std::shared_ptr<MobileDevice>&,
                                               int32_t reason) override {
        log.add("unlock " + std::to_string(reason));
    }
};

struct RecordingMenuBar : MenuBarPanel {
    CallLog& log;
    explicit RecordingMenuBar(CallLog& l) : log(l) {}
    void closeMenuBarForced() override { log.add("close panel"); }
    void removeIconFromMenuBar() override { log.add("remove icon"); }
    void openMenuBarForDuration(double seconds) override {
        log.add("panel " + std::to_string(seconds).substr(0, 3));
    }
};

struct RecordingWindows : WindowServices {
    CallLog& log;
    bool visible = false;
    explicit RecordingWindows(CallLog& l) : log(l) {}
    void showMainWindow() override { log.add("show window"); }
    bool mainWindowIsVisible() override { return visible; }
    void showBluetoothNotSupportedTutorial() override { log.add("no LE tutorial"); }
    void showDockIcon(bool show) override { log.add(show ? "dock on" : "dock off"); }
};

struct RecordingLink : PhoneLinkService {
    CallLog& log;
    explicit RecordingLink(CallLog& l) : log(l) {}
    void startIntenseScanning() override { log.add("intense scanning"); }
    void clearTheIgnoreListOfBadConnections() override { log.add("clear ignore list"); }
    void disconnectFromAllDevicesImmediatelly(bool) override { log.add("disconnect all"); }
    void sendNotification_toMobileDevice_usePushNotificationIfNeeded(int32_t code,
                                                                     const std::shared_ptr<MobileDevice>&,
                                                                     bool push) override {
        log.add("notify " + std::to_string(code) + (push ? " push" : ""));
    }
    void forgetAllDevices() override { log.add("forget all"); }
    void didUpdateSessionInforForCurrentDevice(const std::shared_ptr<Device>&) override {
        log.add("session sent");
    }
};

// The machine's facts are set by the test; its acts are recorded. The session's watchers run for real.
struct RecordingSystem : CoordinatorSystem {
    CallLog& log;
    bool leSupported = true, bluetoothOn = true, leOn = true, sleeping = false, debug = false;
    int32_t centralState = 5;
    int64_t cacheSize = 0;
    explicit RecordingSystem(CallLog& l) : log(l) {}
    bool bluetoothLESupported() override { return leSupported; }
    bool bluetoothIsOn() override { return bluetoothOn; }
    bool bluetoothLEIsOn() override { return leOn; }
    int32_t bluetoothState() override { return centralState; }
    bool macIsSleeping() override { return sleeping; }
    int64_t bluetoothCacheFileSize() override { return cacheSize; }
    void performCheckAndCacheBluetoothLESupportedInBackground() override { log.add("check LE"); }
    void restartScanningIndicator() override { log.add("scanning indicator"); }
    void migrateIfNeeded() override { log.add("migrate"); }
    void updateModelForVersionUpdateIfNeeded() override { log.add("version update"); }
    void setupLoginItems() override { log.add("login items"); }
    void stopTrackingSession() override {
        log.add("stop tracking");
        CoordinatorSystem::stopTrackingSession();
    }
    void checkIfDeviceUnlinkedRemotely() override { log.add("remote unlink check"); }
    bool isDebugOrBetaTester() override { return debug; }
    void forceClearBluetoothCache() override { log.add("force clear cache"); }
    void relaunchAfterDelay(double) override { log.add("relaunch"); }
    void terminate() override { log.add("terminate"); }
};

class StateMachineTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        DataManager::resetSharedForTesting();
        log.calls.clear();
        log.origin = platform::Clock::now();
        windows = std::make_shared<RecordingWindows>(log);
        system = std::make_shared<RecordingSystem>(log);
        CoordinatorServices services;
        features = std::make_shared<RecordingFeatures>(log);
        services.features = features;
        services.commands = std::make_shared<RecordingCommands>(log);
        services.menuBar = std::make_shared<RecordingMenuBar>(log);
        services.windows = windows;
        services.link = std::make_shared<RecordingLink>(log);
        services.system = system;
        // The link's requests are recorded here; the real link's own radio reports would only add noise.
        services.makeRequestController = []() -> std::shared_ptr<RequestController> { return nullptr; };
        machine = StateMachine::create(services);
    }
    void TearDown() override {
        machine.reset();
        runUntilIdle();
        DataManager::resetSharedForTesting();
        SessionTest::TearDown();
    }

    // A paired phone that the data manager tracks.
    std::shared_ptr<MobileDevice> addTrackedPhone(bool connected) {
        auto& manager = DataManager::shared();
        auto phone = MobileDevice::initWithUnId("phone-1");
        phone->mobileDeviceConnectionInfo()->setIsConnected(Number(connected));
        auto settings = MobileSettings::initWithUnId("phone-1");
        settings->pairingInfo()->setConnectionStatus(Number(PairingInfo::kConnectionStatusPaired));
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
        return phone;
    }

    void start(bool byUser) {
        machine->applicationDidFinishLoading(byUser);
        advance(0.01);
    }

    CallLog log;
    std::shared_ptr<RecordingFeatures> features;
    std::shared_ptr<RecordingWindows> windows;
    std::shared_ptr<RecordingSystem> system;
    std::shared_ptr<StateMachine> machine;
};

TEST_F(StateMachineTest, StartUpRunsItsStepsInOrderAndOpensTheWindowOnlyForAUserLaunch) {
    for (bool byUser : {false, true}) {
        SCOPED_TRACE(byUser);
        TearDown();
        SetUp();
        machine->applicationDidFinishLoading(byUser);
        EXPECT_TRUE(log.calls.empty()) << "start-up is queued, not run inline";
        advance(8.5);
        // The lid watcher reports the lid once as it starts, which resumes scanning with the lid open.
        std::vector<std::string> expected = {
            "migrate",        "scanning indicator", "intense scanning", "check LE",
            "version update", "tracker opened",     "history 1/0",      "dock off"};
        if (byUser) expected.push_back("show window");
        for (auto s : {"scanning indicator", "intense scanning", "hot keys", "login items",
                       "remote unlink check", "auto updates", "check updates", "clear ignore list"})
            expected.push_back(s);
        EXPECT_EQ(log.names(), expected);
        EXPECT_NEAR(log.at("show window"), byUser ? 0.2 : -1, 1e-6);
        EXPECT_NEAR(log.at("hot keys"), 7.0, 1e-6);
        // The fail-safe timer of the wake (8 s) replaced the one of Bluetooth coming on (16 s).
        EXPECT_NEAR(log.at("clear ignore list"), 8.3, 1e-6);
        EXPECT_TRUE(DeviceLocalSettings::shared().veryFirstKestruneRunDate());
        EXPECT_TRUE(DeviceLocalSettings::shared().mostRecentKestruneRunDate());
    }
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
    start(false);
    advance(1);
    log.calls.clear();
    // The lid watcher's report reaches the coordinator through its observer.
    session->closeLid();
    advance(1);
    EXPECT_EQ(log.count("session sent"), 1u);
    EXPECT_EQ(log.count("intense scanning"), 0u) << "a closed lid without a monitor does not scan harder";
    // A second report of the same fact sends nothing.
    machine->laptopLidChangedOrExternalMonitorChanged();
    EXPECT_EQ(log.count("session sent"), 1u);
    session->openLid();
    advance(1);
    EXPECT_EQ(log.count("session sent"), 2u);
    EXPECT_GE(log.count("intense scanning"), 1u);
    // Without this Mac's device record there is nothing to compare or send.
    DataManager::shared().model()->setCurrentDevice(nullptr);
    session->closeLid();
    advance(1);
    EXPECT_EQ(log.count("session sent"), 2u);
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
    windows->visible = true;
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
    EXPECT_EQ(log.names(), std::vector<std::string>{"lock 2/4"}) << "only the lock hot key locks";
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
    const Case cases[] = {{true, true, {"session sent"}},
                          {true, false, {lock}},
                          {false, true, {"unlock 1"}},
                          {false, false, {"session sent"}}};
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
