// The features as the program's entry installs them, seen from the coordinator: its trusted Wi-Fi and
// update lines reach the real feature objects on the simulated Wi-Fi and update engine, while the link and
// the lock commands are recorded.

#include "main/FeatureWiring.h"

#include <cstdlib>

#include "app/support/Common.h"
#include "app/support/KSUrlManager.h"
#include "engine/coordinator/ActivityControllerFactory.h"
#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "features/wifi/SafeWifiManager.h"
#include "platform/services/SoftwareUpdater.h"
#include "platform/sim/music/SimulatedMusicPlayers.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/storage/PropertyList.h"
#include "tests/engine/CoordinatorFixture.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/SettableReachability.h"
#include "windows/history/ActivityVizualizationController.h"

using namespace coordinatortests;
using kestrune::DeviceLocalSettings;
using kestrune::SafeWifiManager;
using Calls = std::vector<std::string>;

namespace {

constexpr const char* kHome = "Harbour View";
constexpr const char* kGuest = "Harbour Guest";

class FeatureWiringTest : public CoordinatorTest {
protected:
    void SetUp() override {
        CoordinatorTest::SetUp();
        // A feature an earlier test of the binary made (the trusted Wi-Fi manager, made on first use) still
        // listens to that test's simulated Wi-Fi: start from none, so that each is made on this world.
        kestrune::uninstallFeaturesForTesting();
        // The engine lives as long as the process; each test starts it with automatic checks off.
        platform::SoftwareUpdater::sharedUpdater()->setAutomaticallyChecksForUpdates(false);
        kestrune::CoordinatorServices services;
        devices = kestrune::installFeatures(services, nullptr, session);
        services.commands = commands;
        services.menuBar = std::make_shared<RecordingMenuBar>(log);
        services.navigation = navigation;
        services.tutorials = tutorials;
        services.screens = screens;
        services.splitWindow = splitWindow;
        services.link = link;
        services.system = system;
        services.makeRequestController = []() -> std::shared_ptr<kestrune::RequestController> {
            return nullptr;
        };
        machine = kestrune::StateMachine::create(services);
    }
    void TearDown() override {
        machine.reset();
        runUntilIdle();
        kestrune::uninstallFeaturesForTesting();
        CoordinatorTest::TearDown();
    }

    // A connected, tracked phone; started, with the start-up calls forgotten.
    std::shared_ptr<MobileDevice> startWithPhone() {
        auto phone = addTrackedPhone(true);
        startQuietly();
        connect(phone);
        return phone;
    }
    static void trust(const std::string& network) {
        auto entry = kestrune::SafeWifiEntry::init();
        entry->setSsidName(network);
        SafeWifiManager::shared().addSafeWifiEntry(entry);
    }
    void join(const std::string& network, const std::string& bssid) {
        devices.wifi->join(network, bssid);
        advance(0.2);
    }

    kestrune::FeatureDevices devices;
};

// The scenarios play the lock screen's unlock and the decider's rest on a trusted network, and the music
// at each lock and unlock; here, what they do not reach.
TEST_F(FeatureWiringTest, OnATrustedNetworkTheDisconnectLockWaitsAndJoiningItUnlocksTheLockScreen) {
    auto phone = startWithPhone();
    DeviceLocalSettings::shared().setLogoutOnDisconnect(true);
    kestrune::DataManager::shared().getActiveDesktopDevice()->sessionInfo()->setUserIsLoggedIn(Number(true));
    trust(kHome);
    // Wi-Fi unlock off: the trusted network unlocks nothing, but the link's loss locks nothing either.
    SafeWifiManager::shared().setSafeWifiTurnedOn(false);
    join(kHome, "a4:2b:b0:1c:3d:01");
    EXPECT_FALSE(machine->shouldStartLogoutOnDisconnect(phone));
    machine->logoutOnDisconnectManagerShouldLogout();
    join(kGuest, "a4:2b:b0:1c:3d:02");
    EXPECT_TRUE(machine->shouldStartLogoutOnDisconnect(phone));
    machine->logoutOnDisconnectManagerShouldLogout();
    EXPECT_EQ(log.only({"lock "}),
              Calls{"lock " + std::to_string(DeviceLocalSettings::shared().actionOnLogout()) + "/3"});

    // Locked on another network, with Wi-Fi unlock on: joining the trusted one unlocks.
    SafeWifiManager::shared().setSafeWifiTurnedOn(true);
    lockSession();
    forget();
    join(kGuest, "a4:2b:b0:1c:3d:03");
    EXPECT_GE(log.count("wifi wizard refresh"), 1u) << "the watcher reached the coordinator";
    EXPECT_EQ(log.count("unlock 5"), 0u);
    devices.wifi->join(kHome, "a4:2b:b0:1c:3d:01");
    runUntilIdle();
    EXPECT_GE(log.count("unlock 5"), 1u) << "the link change is told at once";
}

TEST_F(FeatureWiringTest, TheCoordinatorGetsANewActivityChartForEachRequest) {
    auto factory = kestrune::ActivityControllerFactory::installed();
    ASSERT_TRUE(factory);
    auto chart = factory->newActivityVizualizationController();
    EXPECT_TRUE(std::dynamic_pointer_cast<kestrune::ActivityVizualizationController>(chart));
    EXPECT_NE(chart, factory->newActivityVizualizationController());
}

TEST_F(FeatureWiringTest, TheCommandRunnerAsksTheSessionThenThePlayers) {
    devices.players->setRunning("VLC", true);
    auto script =
        platform::SystemCommands::runShellCommand("osascript -e 'tell application \"VLC\" to play'");
    EXPECT_EQ(script.exitStatus, 0);
    EXPECT_TRUE(devices.players->isPlaying("VLC"));
    auto lid = platform::SystemCommands::runShellCommand(platform::SimulatedSession::kLidCommand);
    EXPECT_NE(lid.output.find("AppleClamshellState"), std::string::npos) << lid.output;
}

class UpdateWiringTest : public FeatureWiringTest {
protected:
    void SetUp() override {
        FeatureWiringTest::SetUp();
        reachability = testsupport::SettableReachability::install(platform::kReachabilityReachable);
        ASSERT_TRUE(server.start());
        setenv(kestrune::KSUrlManager::kConfigEnvironmentVariable, server.url("/config.plist").c_str(), 1);
        setenv(kestrune::KSUrlManager::kUpdateFeedEnvironmentVariable, server.url("/feed.plist").c_str(), 1);
        // The updater takes its feed when first made: one left by an earlier test of this process (a
        // scenario's, with the unconfigured feed) goes, so that this test's is made with the server's;
        // the version facts start afresh too.
        kestrune::KestruneUpdater::resetSharedForTesting();
        kestrune::UpdateController::resetSharedForTesting();
    }
    void TearDown() override {
        FeatureWiringTest::TearDown();
        server.stop();
        unsetenv(kestrune::KSUrlManager::kConfigEnvironmentVariable);
        unsetenv(kestrune::KSUrlManager::kUpdateFeedEnvironmentVariable);
        platform::ReachabilityBackend::install(nullptr);
    }
    static testsupport::LoopbackServer::Answer plist(platform::Value::Dictionary root) {
        testsupport::LoopbackServer::Answer answer;
        auto data = platform::PropertyList::dataFromValue(platform::Value(std::move(root)),
                                                          platform::PropertyList::Format::XML);
        answer.body = data ? std::string(reinterpret_cast<const char*>(data->bytes()), data->size()) : "";
        return answer;
    }
    size_t requestsFor(const std::string& path) const {
        size_t count = 0;
        for (const auto& request : server.requests()) count += request.path == path;
        return count;
    }

    std::shared_ptr<testsupport::SettableReachability> reachability;
    testsupport::LoopbackServer server;
};

TEST_F(UpdateWiringTest, SevenSecondsAfterStartTheVersionsAreFetchedAndANewerMacIsToldOnceADay) {
    server.enqueue("/config.plist", plist({{"iOSVersion", "1.0"}, {"macVersion", "99.0"}}));
    // The engine's feed offers the running version: nothing to install.
    server.setDefaultAnswer(plist({{"version", kestrune::Common::getAppVersion()}, {"url", "x.zip"}}));
    start();
    advance(6.9);
    EXPECT_EQ(server.requestCount(), 0u);
    advance(0.2);
    runUntilIdle();
    EXPECT_EQ(requestsFor("/config.plist"), 1u);
    EXPECT_GE(requestsFor("/feed.plist"), 1u) << "automatic checks are on by default";
    EXPECT_EQ(kestrune::KestruneUpdater::shared().updaterState(), kestrune::KestruneUpdater::kStateNoUpdate);
    EXPECT_TRUE(platform::SoftwareUpdater::sharedUpdater()->automaticallyChecksForUpdates());
    EXPECT_EQ(log.count("panel mac update"), 1u);

    platform::NotificationCenter::defaultCenter().post("updateStateChanged");
    runUntilIdle();
    EXPECT_EQ(log.count("panel mac update"), 1u) << "once in a day";
    EXPECT_EQ(log.count("panel ios update"), 0u) << "no phone connected";
}

// The settings' switch and the user's update check reach the features, not the coordinator's stand-ins.
TEST_F(UpdateWiringTest, TheWifiSwitchAndTheUsersUpdateCheckReachTheFeatures) {
    server.setDefaultAnswer(plist({{"version", kestrune::Common::getAppVersion()}, {"url", "x.zip"}}));
    start();
    trust(kHome);
    const bool before = SafeWifiManager::shared().safeWifiTurnedOn();
    machine->toggleWifiUnlock();
    EXPECT_NE(SafeWifiManager::shared().safeWifiTurnedOn(), before);
    machine->toggleWifiUnlock();
    EXPECT_EQ(SafeWifiManager::shared().safeWifiTurnedOn(), before);

    const size_t feeds = requestsFor("/feed.plist");
    machine->userDidToggleCheckForUpdates();
    runUntilIdle();
    EXPECT_EQ(requestsFor("/feed.plist"), feeds + 1);
    EXPECT_EQ(log.count("not built yet"), 0u);
}

}  // namespace
