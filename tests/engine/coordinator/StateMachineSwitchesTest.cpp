// The switches of the panel, the settings menu and the pages, and the menu actions: each flips its
// setting both ways and does exactly its one thing more; each action takes its road.

#include "app/records/DeviceLocalSettings.h"
#include "tests/engine/CoordinatorFixture.h"

using namespace coordinatortests;
using kestrune::DataManager;
using kestrune::DeviceLocalSettings;
using kestrune::StateMachine;

namespace {

class SwitchesTest : public CoordinatorTest {
protected:
    void SetUp() override {
        CoordinatorTest::SetUp();
        log.refreshes = true;
    }
    // The calls that a switch may follow with.
    std::vector<std::string> after() const {
        return log.only({"refresh panel", "hot keys", "sync", "background update check", "login item"});
    }
};

struct Switch {
    const char* name;
    void (StateMachine::*toggle)();
    bool (DeviceLocalSettings::*get)() const;
    // What follows the flip: a call name, or "sync" (only while the phone is connected), or "update"
    // (a background check, only when turned on), or "" for nothing.
    const char* then;
};

const Switch kSwitches[] = {
    {"clipboard on panel", &StateMachine::toggleClipboardShownOnMainScreen,
     &DeviceLocalSettings::showClipboardManagerOnMainScreen, "refresh panel"},
    {"lock on disconnect", &StateMachine::toggleLogoutOnDisconnect, &DeviceLocalSettings::logoutOnDisconnect,
     "refresh panel"},
    {"photo on failed login", &StateMachine::toggleTakePhotoOnFailedLogin,
     &DeviceLocalSettings::takePhotoOnFailedLogin, ""},
    {"photo after login", &StateMachine::togglePhotoAfterEachLogin,
     &DeviceLocalSettings::takePhotoAfterEachLogin, ""},
    {"lock hot key", &StateMachine::toggleLockShortcut, &DeviceLocalSettings::enableKestruneShortCutsLock,
     "hot keys"},
    {"clipboard hot key", &StateMachine::toggleClipboardShortcut,
     &DeviceLocalSettings::enableKestruneShortCutsSendClipboard, "hot keys"},
    {"Siri lock", &StateMachine::toggleSiriLock, &DeviceLocalSettings::enableSiriLock, "sync"},
    {"Siri unlock", &StateMachine::toggleSiriUnlock, &DeviceLocalSettings::enableSiriUnlock, "sync"},
    {"automatic updates", &StateMachine::toggleUpdateKestruneAutomatically,
     &DeviceLocalSettings::automaticallyUpdate, "update"},
    {"unlock on approach", &StateMachine::toggleAllowLogin, &DeviceLocalSettings::allowLoginOnApproach,
     "sync"},
    {"lock on walking away", &StateMachine::toggleAllowLogout, &DeviceLocalSettings::allowLogoutOnWalkAway,
     "sync"},
    {"open space", &StateMachine::toggleOpenSpaceMode, &DeviceLocalSettings::loginOnApproach, ""},
    {"music pause", &StateMachine::togglePauseMusicOnLogout, &DeviceLocalSettings::musicPauseOnLogout, ""},
    {"closer distances", &StateMachine::toggleAllowSmallerDistances,
     &DeviceLocalSettings::allowCloserDistances, "sync"},
    {"warn on failed login", &StateMachine::toggleWarnUserOnFailedLogin,
     &DeviceLocalSettings::warnUserOnLoginFailed, ""},
    {"Mac controls on panel", &StateMachine::toggleShowMacControlOnMainScreen,
     &DeviceLocalSettings::showMacControlsOnMainScreen, ""},
    {"Wi-Fi unlock on panel", &StateMachine::toggleWifiUnlockOnMainScreen,
     &DeviceLocalSettings::showWifiUnlockOnMainScreen, ""},
    {"proximity on panel", &StateMachine::toggleShowProximityLockOnMainScreen,
     &DeviceLocalSettings::showKestruneProximityOption, ""},
};

class EverySwitch : public SwitchesTest, public ::testing::WithParamInterface<Switch> {};

TEST_P(EverySwitch, FlipsItsSettingBothWaysAndDoesItsOneThingMore) {
    const auto& s = GetParam();
    for (bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "phone connected" : "phone away");
        TearDown();
        SetUp();
        auto phone = addTrackedPhone(connected);
        startQuietly();
        connect(phone, connected);
        auto& local = DeviceLocalSettings::shared();
        const bool before = (local.*s.get)();
        for (int flip = 1; flip <= 2; ++flip) {
            forget();
            (machine.get()->*s.toggle)();
            const bool now = (local.*s.get)();
            EXPECT_EQ(now, flip == 1 ? !before : before) << "flip " << flip;
            std::vector<std::string> expected;
            const std::string then = s.then;
            if (then == "sync") {
                if (connected) expected.push_back("sync");
            } else if (then == "update") {
                if (now) expected.push_back("background update check");
            } else if (!then.empty()) {
                expected.push_back(then);
            }
            EXPECT_EQ(after(), expected) << "flip " << flip;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Switches, EverySwitch, ::testing::ValuesIn(kSwitches), [](const auto& info) {
    std::string name;
    for (char c : std::string(info.param.name))
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
});

TEST_F(SwitchesTest, UnlockVerificationTogglesBetweenNoneAndTouchIdAndSettersStoreAndSync) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    connect(phone);
    auto& local = DeviceLocalSettings::shared();
    const std::pair<int32_t, int32_t> flips[] = {{0, 2}, {1, 0}, {2, 0}, {3, 0}};
    for (auto [from, to] : flips) {
        local.setProximityUnlockVerification(from);
        forget();
        machine->toggleProximityUnlockVerification();
        EXPECT_EQ(local.proximityUnlockVerification(), to) << from;
        EXPECT_EQ(log.count("sync"), 1u);
    }
    forget();
    machine->updateProximityUnlockVerification(3);
    EXPECT_EQ(local.proximityUnlockVerification(), 3);
    EXPECT_EQ(after(), std::vector<std::string>{"sync"});
    forget();
    machine->updateLogoutAction(2);
    EXPECT_EQ(local.actionOnLogout(), 2);
    EXPECT_EQ(after(), std::vector<std::string>{"refresh panel"});
    // The wake-unlock method syncs, then the wake-unlock step syncs again and, with the settings window
    // open, refreshes the tutorial.
    splitWindow->orderFront(nullptr);
    forget();
    machine->updateMacSleepScreenAuth(3);
    EXPECT_EQ(local.macSleepScreenUnlockConfirmLogin(), 3);
    EXPECT_EQ(log.only({"sync", "wake-unlock"}),
              (std::vector<std::string>{"sync", "sync", "wake-unlock tutorial refresh"}));
}

TEST_F(SwitchesTest, TurningCloserDistancesOffRaisesOnlyADistanceCloserThanTheDefault) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    connect(phone);
    auto& local = DeviceLocalSettings::shared();
    for (int32_t distance : {45, 59, 60, 70}) {
        SCOPED_TRACE(distance);
        local.setAllowCloserDistances(true);
        track().setDistanceToLogin(Number(distance));
        forget();
        machine->toggleAllowSmallerDistances();
        EXPECT_FALSE(local.allowCloserDistances());
        const bool raised = distance < 60;
        EXPECT_EQ(track().distanceToLogin()->intValue(), raised ? 60 : distance);
        EXPECT_EQ(log.count("track info sent"), raised ? 1u : 0u);
        EXPECT_EQ(log.count("sync"), raised ? 2u : 1u);
    }
    // Turning them on leaves a close distance as it is.
    track().setDistanceToLogin(Number(45));
    machine->toggleAllowSmallerDistances();
    EXPECT_EQ(track().distanceToLogin()->intValue(), 45);
}

TEST_F(SwitchesTest, TheLoginItemAndWifiUnlockSwitchesGoThroughTheirOwners) {
    startQuietly();
    machine->toggleStartKestruneOnLogin();
    EXPECT_EQ(after(), (std::vector<std::string>{"login item toggled", "refresh panel"}));
    forget();
    machine->toggleWifiUnlock();
    EXPECT_TRUE(features->safeWifiOn);
    EXPECT_EQ(log.only({"wifi"}), (std::vector<std::string>{"wifi unlock on", "wifi wizard refresh"}));
    machine->toggleWifiUnlock();
    EXPECT_FALSE(features->safeWifiOn);
    forget();
    machine->safeWifiWizzard_udpateSafeWifi(nullptr, true);
    EXPECT_EQ(log.only({"wifi", "refresh panel"}),
              (std::vector<std::string>{"wifi unlock on", "wifi wizard refresh", "refresh panel"}));
}

TEST_F(SwitchesTest, RescanRunsItsStepsInOrder) {
    addTrackedPhone(false);
    startQuietly();
    auto pairing = MobileDevice::initWithUnId("pairing");
    DataManager::shared().setPairingMobileDevice(pairing);
    log.refreshes = false;
    machine->toggleRescan();
    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"remote unlink check", "disconnect all", "empty ignore list",
                                        "silent push sent", "usage error Bluetooth - Rescanning for devices",
                                        "scanning indicator"}));
    EXPECT_FALSE(DataManager::shared().pairingMobileDevice());
    ASSERT_TRUE(DeviceLocalSettings::shared().rescanToggled());
    EXPECT_NEAR(DeviceLocalSettings::shared().rescanToggled()->timeIntervalSince1970(),
                platform::Clock::now(), 1e-3);
}

TEST_F(SwitchesTest, EachMenuActionTakesItsRoad) {
    addTrackedPhone(true);
    startQuietly();
    log.refreshes = false;
    struct Road {
        const char* name;
        std::function<void(StateMachine&)> act;
        std::vector<std::string> calls;
    };
    const std::vector<Road> roads = {
        {"dock item",
         [](StateMachine& m) { m.dockItemToggled(); },
         {"show window", "dock on", "devices page"}},
        {"show main view",
         [](StateMachine& m) { m.toggleShowMainView(); },
         {"show window", "dock on", "select devicesMenu"}},
        {"help",
         [](StateMachine& m) { m.toggleHelp(); },
         {"empty ignore list", "remote unlink check", "help pager", "start help pager",
          "push list help pager", "show window", "dock on"}},
        {"check for updates",
         [](StateMachine& m) { m.userDidToggleCheckForUpdates(); },
         {"user update check"}},
        {"add new device",
         [](StateMachine& m) { m.userDidClickAddNewDevice(); },
         {"empty ignore list", "remote unlink check", "disconnect all", "empty ignore list",
          "silent push sent", "usage error Bluetooth - Rescanning for devices", "scanning indicator",
          "show window", "dock on", "select devicesMenu", "pairing wizard", "push controller pairing wizard",
          "wizard request"}},
        {"ping", [](StateMachine& m) { m.pingTrackingDevice(); }, {"notify 8"}},
        {"clear cache",
         [](StateMachine& m) { m.clearBluetoothCache(); },
         {"clear-cache wizard", "cache message none", "start clear-cache wizard",
          "push list clear-cache wizard"}},
        {"turn Bluetooth on", [](StateMachine& m) { m.userDidTurnBluetoothOn(); }, {"bluetooth on"}},
        {"corrupted cache",
         [](StateMachine& m) { m.detectedCorruptedBluetoothCache(); },
         {"clear-cache wizard", "cache message none", "start clear-cache wizard",
          "push list clear-cache wizard", "close panel"}},
        {"failed logins",
         [](StateMachine& m) { m.showFailedLogins(); },
         {"select photosAndHistoryMenu", "failed logins window", "show window", "dock on"}},
        {"login photos",
         [](StateMachine& m) { m.showLoginPhotos(); },
         {"select photosAndHistoryMenu", "login photos window", "show window", "dock on"}},
        {"manual photos",
         [](StateMachine& m) { m.showManualPhotos(); },
         {"select photosAndHistoryMenu", "manual photos window", "show window", "dock on"}},
        {"history",
         [](StateMachine& m) { m.showUnlockHistory(); },
         {"select photosAndHistoryMenu", "history window", "show window", "dock on"}},
        {"failed login entry",
         [](StateMachine& m) { m.showFailedLoginWindowWithEntry(screenNamed("an entry")); },
         {"select photosAndHistoryMenu", "failed logins window with entry", "show window", "dock on"}},
        {"Mac control",
         [](StateMachine& m) { m.showMacControlTutorial(); },
         {"select photosAndHistoryMenu", "show window", "dock on"}},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.name);
        splitWindow->orderOut(nullptr);
        forget();
        road.act(*machine);
        EXPECT_EQ(log.names(), road.calls);
    }
    // Locking from the menu waits for the menu to close.
    forget();
    machine->sleepToggled();
    advance(0.24);
    EXPECT_EQ(log.count("lock 0/4"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("lock 0/4"), 1u);
}

}  // namespace
