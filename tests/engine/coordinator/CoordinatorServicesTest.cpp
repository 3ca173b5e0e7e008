// The coordinator's neighbours that are not built yet say so, as requests; the log never claims that a
// window showed or a history entry was written.

#include "tests/engine/CoordinatorFixture.h"

using namespace coordinatortests;

namespace {

struct QuietSystem : kestrune::CoordinatorSystem {
    void setupLoginItems() override {}
    void checkIfDeviceUnlinkedRemotely() override {}
    void startSilentPushNotificationManager() override {}
    void trackEventType_eventName(const std::string&, const std::string&) override {}
    void relaunchAfterDelay(double) override {}
    void terminate() override {}
};

// The same, but the hosted-backend record keeper is the real one (with no tracked phone its check
// sends nothing).
struct KeeperSystem : kestrune::CoordinatorSystem {
    void setupLoginItems() override {}
    void startSilentPushNotificationManager() override {}
    void trackEventType_eventName(const std::string&, const std::string&) override {}
    void relaunchAfterDelay(double) override {}
    void terminate() override {}
};

using CoordinatorServicesTest = SessionTest;

TEST_F(CoordinatorServicesTest, TheRecordKeeperIsMadeOnceSevenSecondsAfterStartUpAndAskedByEveryCheck) {
    auto system = std::make_shared<KeeperSystem>();
    kestrune::CoordinatorServices services;
    services.system = system;
    services.makeRequestController = []() -> std::shared_ptr<kestrune::RequestController> { return nullptr; };
    auto machine = kestrune::StateMachine::create(services);
    machine->applicationDidFinishLoading(false);
    machine->showHelpViewAndCheck();  // before the start-up step there is nobody to ask
    advance(6.9);
    EXPECT_FALSE(system->remoteSync());
    advance(0.2);
    const auto keeper = system->remoteSync();
    ASSERT_TRUE(keeper);
    EXPECT_EQ(keeper->delegate, static_cast<kestrune::RemoteSyncMacDelegate*>(machine.get()));
    // The help screen's checks, and a second start, ask the same keeper.
    machine->showHelpViewAndCheck();
    machine->showTroubleConnectingToDeviceTutorial();
    system->startRemoteSync(nullptr);
    EXPECT_EQ(system->remoteSync(), keeper);
    EXPECT_EQ(keeper->delegate, static_cast<kestrune::RemoteSyncMacDelegate*>(machine.get()));
    platform::FileEventSource::cancelAllForTesting();
    machine.reset();
}

TEST_F(CoordinatorServicesTest, StandInsForPartsNotBuiltSayWhatWasRequestedAndNeverClaimItHappened) {
    testsupport::LogCapture capture;
    kestrune::CoordinatorServices services;
    services.system = std::make_shared<QuietSystem>();
    services.makeRequestController = []() -> std::shared_ptr<kestrune::RequestController> { return nullptr; };
    auto machine = kestrune::StateMachine::create(services);
    machine->applicationDidFinishLoading(true);  // a launch by the user: the settings window is asked for
    advance(10);
    machine->showMainMenu();
    machine->showLockUnlockHistory();
    machine->cleanUpAndQuitKestrune();
    advance(2);
    auto& features = *machine->services().features;
    features.insertUnlockedEntry();
    features.didUnlockUsingKestrune();
    EXPECT_FALSE(features.pasteToClipboard("text")) << "nothing was copied";
    machine->showAddNewDeviceViewOpen_withCompletion(true, [] { FAIL() << "never shown"; });
    machine->sendClipboardToIos();
    machine->services().menuBar->showUnableToLockMac();
    machine->showAuthRequest();
    machine->showClearBluetoothCacheTutorial();
    machine->showUnlockHistory();

    for (const char* requested :
         {"Outcome: the settings window is shown",
          "not built yet: tracker-file line requested (application started)",
          "not built yet: history entry requested (application started, trigger 0)",
          "not built yet: history entry requested (quit, trigger 1)", "not built yet: hot keys requested",
          "not built yet: menu-bar panel requested for 1.5 s",
          "not built yet: settings page photosAndHistoryMenu requested",
          "not built yet: lock/unlock history window requested",
          "not built yet: settings page devicesMenu requested", "not built yet: pairing wizard requested",
          "not built yet: information screen requested (authorisation requests)",
          "not built yet: clear-Bluetooth-cache wizard requested",
          "not built yet: tracker-file line requested (Mac unlocked)",
          "not built yet: notification requested (unlocked with the phone)",
          "not built yet: copy of 4 bytes to the Mac clipboard requested",
          "not built yet: sending the Mac clipboard to the phone requested",
          "not built yet: panel notice requested (the Mac could not be locked)"})
        EXPECT_TRUE(capture.contains(requested)) << requested;
    // What the stand-ins used to claim as done appears nowhere.
    for (const auto& line : capture.lines())
        for (const char* claim :
             {"Windows:", "History:", "Tracker file:", "Menu bar:", "Hot keys:", "Updates:"})
            EXPECT_NE(line.rfind(claim, 0), 0u) << line;
    platform::FileEventSource::cancelAllForTesting();
    machine.reset();
}

}  // namespace
