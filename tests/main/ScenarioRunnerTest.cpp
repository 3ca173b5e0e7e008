// Every scenario played in virtual time, as `kestrune --scenario NAME` plays it in real time: it ends
// as it says, and its timeline tells what the phone did and what the Mac decided and did.

#include "main/ScenarioRunner.h"

#include <sstream>

#include "app/support/Localizable.h"
#include "features/hotkeys/DDHotKeyCenter.h"
#include "features/hotkeys/ShortCutManager.h"
#include "features/language/LanguageControllerMac.h"
#include "main/FeatureWiring.h"
#include "main/MenuBarWiring.h"
#include "main/Scenarios.h"
#include "main/SimulatedMacNames.h"
#include "platform/services/UserNotificationRecorder.h"
#include "platform/sim/keyboard/SimulatedHotKeys.h"
#include "platform/sim/music/SimulatedMusicPlayers.h"
#include "platform/storage/FileEvents.h"
#include "platform/storage/Files.h"
#include "platform/system/Application.h"
#include "platform/system/ProcessInfo.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "reporting/UsageKit/USKUsageKitController.h"
#include "reporting/core/ReportKit.h"
#include "tests/main/ScenarioFixture.h"

using namespace scenariotests;
using kestrune::Scenario;
using kestrune::ScenarioRunner;

namespace {

class ScenarioRunnerTest : public RoadTest {
protected:
    // Plays the scenario to its end (at most the seconds given) and answers the timeline.
    std::string play(const Scenario& scenario, double limit = 400,
                     std::function<void(const ScenarioRunner::PrintedStep&)> onStepSettled = nullptr) {
        launch();
        std::ostringstream timeline;
        ScenarioRunner runner(scenario, world, timeline);
        runner.onStepSettled = std::move(onStepSettled);
        bool over = false;
        runner.onFinished = [&] { over = true; };
        runner.start();
        advanceUntil([&] { return over; }, limit);
        EXPECT_TRUE(runner.finished());
        succeeded = runner.succeeded();
        facts = runner.facts();
        return timeline.str();
    }
    static bool has(const std::string& timeline, const std::string& part) {
        return timeline.find(part) != std::string::npos;
    }
    // The order of the parts in the timeline; false when one is missing or out of order.
    static bool inOrder(const std::string& timeline, std::initializer_list<std::string> parts) {
        size_t at = 0;
        for (const auto& part : parts) {
            at = timeline.find(part, at);
            if (at == std::string::npos) return false;
        }
        return true;
    }
    testsupport::LogCapture capture;
    bool succeeded = false;
    kestrune::ScenarioFacts facts;
};

TEST_F(ScenarioRunnerTest, TheDefaultScenarioPairsLocksUnlocksAndEndsUnlocked) {
    // What the settings window shows once each step has had its effect (when its pictures are taken).
    std::vector<std::string> settled;
    auto timeline =
        play(*kestrune::findScenario("default"), 400, [&](const ScenarioRunner::PrintedStep& step) {
            if (settled.size() < 2)
                settled.push_back(step.what + (world->sees(kestrune::localizable("add_new_device_action"))
                                                   ? ": the welcome page"
                                                   : ": no welcome page"));
        });
    // The first step settles on the window's welcome page, its button in reach, not on a window still empty.
    ASSERT_EQ(settled.size(), 2u) << timeline;
    EXPECT_EQ(settled[0],
              "play music in Spotify; you chose to pause music while the Mac is locked: the welcome page");
    EXPECT_EQ(settled[1].find("click \"Add a new iPhone\""), 0u) << settled[1];
    EXPECT_TRUE(succeeded) << timeline;
    EXPECT_TRUE(inOrder(timeline,
                        {"Scenario \"default\"",
                         "   time  who    what",
                         "you    click \"Add a new iPhone\" on the settings window's welcome page",
                         "Mac    the pairing wizard shows its first page",
                         "phone  asks to pair",
                         "Mac    decides: ask the user to accept Ada's iPhone",
                         "Mac    the pairing wizard shows the page that asks you to accept the phone",
                         "you    press Accept on the pairing wizard",
                         "phone  hears: the Mac's user accepted the pairing",
                         "Mac    the pairing wizard shows the page that sets the phone up",
                         "Mac    paired with Ada's iPhone",
                         "you switch proximity locking on, to lock at 1 m (a signal weaker than -60 dBm)",
                         "phone  goes with you as you walk away",
                         "Mac    decides: lock, the phone left",
                         "Mac    locked (proximity)",
                         "phone  hears: the Mac is locked",
                         "phone  comes back",
                         "Mac    decides: unlock, the phone came back into the unlock band",
                         "Mac    types 8 characters into the lock screen's password field and presses Enter",
                         "Mac    unlocked (proximity)",
                         "you    tap Lock",
                         "Mac    locked (phone command)",
                         "you    tap Unlock",
                         "Mac    unlocked (phone command)",
                         "end    as expected: the Mac is unlocked"}))
        << timeline;
    EXPECT_EQ(facts.locks, 2);
    EXPECT_EQ(facts.keysToApplications, 0);
    // Without the features nothing tells the players anything.
    EXPECT_FALSE(has(timeline, "tells Spotify")) << timeline;
    // Each line after the heading starts with its time, then who.
    std::istringstream lines(timeline);
    std::string line;
    double previous = -1;
    for (int i = 0; std::getline(lines, line); ++i) {
        if (i < 5) continue;
        ASSERT_GE(line.size(), 15u) << line;
        double time = std::stod(line.substr(0, 7));
        EXPECT_GE(time, previous) << line;
        previous = time;
    }
    EXPECT_LT(previous, 90) << "a newcomer follows it in about a minute";
}

TEST_F(ScenarioRunnerTest, WithTheFeaturesTheDefaultTimelineShowsHistoryThePhotoAndNotifications) {
    platform::ui::CairoRenderer::installAsBackend();
    auto notifications = std::make_shared<platform::UserNotificationRecorder>();
    platform::UserNotificationBackend::install(notifications);
    useFeatures();
    kestrune::LanguageControllerMac::shared().setupInitialLanguageIfNeeded();  // as the shell does at launch
    launch();
    const auto [timeline, succeeded] = playToItsEnd("default");
    EXPECT_TRUE(succeeded) << timeline;
    EXPECT_TRUE(inOrder(
        timeline, {"Mac    notification \"Kestrune is paired with Ada's iPhone\"",
                   "Mac    locked (proximity)", "Mac    history entry \"Mac locked\"",
                   "guest  sits down at your Mac", "Mac    decides: ask the phone to confirm the unlock",
                   "Mac    failed login recorded, a photo in 1.5 s",
                   "Mac    photo saved: ", "Mac    unlocked (proximity)",
                   "Mac    notification \"Someone tried to log in to your Mac\"",
                   "Mac    history entry \"Mac unlocked\"", "Mac    locked (phone command)",
                   "Mac    unlocked (phone command)", "Mac    notification \"Unlocked with Ada's iPhone\""}))
        << timeline;
    // The music pauses at each lock and plays again at each unlock, the same player each time.
    EXPECT_TRUE(inOrder(
        timeline, {"you    play music in Spotify", "Mac    locked (proximity)",
                   "Mac    tells Spotify to pause; the music is paused", "Mac    unlocked (proximity)",
                   "Mac    tells Spotify to play; the music plays", "Mac    locked (phone command)",
                   "Mac    tells Spotify to pause; the music is paused", "Mac    unlocked (phone command)",
                   "Mac    tells Spotify to play; the music plays",
                   "end    as expected: the Mac is unlocked and the phone paired; the music plays"}))
        << timeline;
    EXPECT_EQ(world->players().commandLog(), (std::vector<std::string>{"Spotify: pause", "Spotify: play",
                                                                       "Spotify: pause", "Spotify: play"}));
    // The photo is a PNG file in "MugShots", named by its moment.
    const size_t at = timeline.find("photo saved: ");
    ASSERT_NE(at, std::string::npos);
    const std::string path = timeline.substr(at + 13, timeline.find('\n', at) - at - 13);
    EXPECT_NE(path.find("/MugShots/"), std::string::npos) << path;
    auto bytes = platform::Files::read(path);
    ASSERT_TRUE(bytes) << path;
    EXPECT_EQ(std::string(bytes->vector().begin(), bytes->vector().begin() + 4), "\x89PNG");
    EXPECT_FALSE(notifications->delivered().empty());
    EXPECT_FALSE(has(timeline, "Mac    types 5 characters")) << "the guest typed them, not the Mac";

    platform::UserNotificationBackend::install(nullptr);
    platform::ui::Renderer::install(nullptr);
}

TEST_F(ScenarioRunnerTest, OnATrustedNetworkTheLockScreenUnlocksWithoutThePhone) {
    useFeatures();
    auto timeline = play(*kestrune::findScenario("wifi"));
    EXPECT_TRUE(succeeded) << timeline;
    EXPECT_TRUE(inOrder(
        timeline,
        {"you    the Mac is on your home Wi-Fi network \"Harbour View\"", "Mac    paired with Ada's iPhone",
         "you    open Wi-Fi Unlock in the settings window's list",
         "you    click \"Add this Wi-Fi network\" on the trusted Wi-Fi wizard",
         "you    click Add under \"Harbour View\"", "you    click OK on the wizard's last page",
         "you    lock the screen with Control-Command-Q", "Mac    the lock screen shows its password field",
         "Mac    decides: unlock, the Mac is on a trusted Wi-Fi network", "Mac    unlocked (trusted Wi-Fi)",
         "phone  goes with you as you walk away", "Wi-Fi  the home network goes down",
         "Mac    decides: lock, the phone left", "Mac    locked (proximity)",
         "end    as expected: unlocked once on the trusted network"}))
        << timeline;
    // The network was trusted through the wizard: it asked an administrator, naming the network.
    const auto requests = session->desktop()->authorizationRequests();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_FALSE(requests[0].environment.empty());
    EXPECT_NE(requests[0].environment[0].value.find("Harbour View"), std::string::npos);
    EXPECT_TRUE(has(timeline, "Mac    locked by hand")) << timeline;
    EXPECT_TRUE(has(timeline, "Mac    types 8 characters into the lock screen's password field")) << timeline;
    // Away on the trusted network the phone's readings decide nothing: no lock until the network changed.
    const size_t away = timeline.find("phone  goes with you as you walk away");
    const size_t changed = timeline.find("Wi-Fi  the home network goes down");
    ASSERT_NE(away, std::string::npos);
    ASSERT_NE(changed, std::string::npos);
    EXPECT_EQ(timeline.substr(away, changed - away).find("decides: lock"), std::string::npos) << timeline;
    EXPECT_EQ(facts.locks, 2);
    EXPECT_EQ(facts.keysToApplications, 0);
}

TEST_F(ScenarioRunnerTest, AtTheDeskNothingLocks) {
    auto timeline = play(*kestrune::findScenario("desk"));
    EXPECT_TRUE(succeeded) << timeline;
    EXPECT_EQ(facts.locks, 0);
    EXPECT_FALSE(has(timeline, "decides: lock")) << timeline;
    EXPECT_TRUE(has(timeline, "end    as expected: no lock")) << timeline;
}

TEST_F(ScenarioRunnerTest, ADropoutLocksOnTheLostLink) {
    auto timeline = play(*kestrune::findScenario("dropout"));
    EXPECT_TRUE(succeeded) << timeline;
    EXPECT_TRUE(
        inOrder(timeline, {"phone  its battery dies", "Mac    the link to Ada's iPhone was lost",
                           "Mac    decides: lock in 8 s unless the phone comes back",
                           "Mac    locked (lost connection)", "end    as expected: the Mac is locked"}))
        << timeline;
}

TEST_F(ScenarioRunnerTest, AWrongPasswordIsRefused) {
    auto timeline = play(*kestrune::findScenario("wrong-password"));
    EXPECT_TRUE(succeeded) << timeline;
    // The Mac says what it saw and did; the wizard, which had turned to the set-up page at Accept, stays
    // there for the phone's next try rather than asking again to accept the phone.
    EXPECT_TRUE(inOrder(
        timeline,
        {"you    press Accept on the pairing wizard",
         "Mac    the pairing wizard shows the page that sets the phone up", "phone  sends a wrong password",
         "Mac    the password Ada's iPhone sent does not open the account \"" + world->user() +
             "\": the pairing is refused (status 4)",
         "phone  hears: the password was refused", "end    as expected: the password refused"}))
        << timeline;
    EXPECT_FALSE(has(timeline, "paired with"));
    EXPECT_TRUE(world->pairingWizardAwaitsThePhone());
}

// The scenarios' Mac, named as `kestrune --scenario` names it before its session is made.
class NamedMacScenarioTest : public ScenarioRunnerTest {
protected:
    void SetUp() override {
        unsetenv("KESTRUNE_USER_NAME");
        unsetenv("KESTRUNE_COMPUTER_NAME");
        runningAccount = platform::ProcessInfo::shared().userName();
        kestrune::nameTheSimulatedMac();
        ScenarioRunnerTest::SetUp();
    }
    void TearDown() override {
        ScenarioRunnerTest::TearDown();
        unsetenv("KESTRUNE_USER_NAME");
        unsetenv("KESTRUNE_COMPUTER_NAME");
    }
    std::string runningAccount;
};

// The refused password is said of the simulated Mac's account, never of the account playing the scenario.
TEST_F(NamedMacScenarioTest, AWrongPasswordNamesTheSimulatedAccountNotTheOneRunningIt) {
    auto timeline = play(*kestrune::findScenario("wrong-password"));
    EXPECT_TRUE(succeeded) << timeline;
    EXPECT_TRUE(has(timeline, std::string("does not open the account \"") + kestrune::kSimulatedAccountName +
                                  "\": the pairing is refused"))
        << timeline;
    EXPECT_FALSE(has(timeline, "\"" + runningAccount + "\"")) << timeline;
}

TEST_F(ScenarioRunnerTest, TheLockShortcutLocksTheMacAndTheTimelineShowsWhatTheUserWouldSee) {
    auto keys = platform::SimulatedHotKeys::create();
    platform::HotKeyRegistry::install(keys);
    useFeatures();
    auto timeline = play(*kestrune::findScenario("hotkey"));
    EXPECT_TRUE(succeeded) << timeline;
    EXPECT_TRUE(inOrder(
        timeline, {"Mac    the pairing wizard shows its first page, looking for phones that ask to pair",
                   "Mac    the pairing wizard shows the page that asks you to accept the phone",
                   "Mac    the pairing wizard shows the page that sets the phone up",
                   "you    press Control+Command+L and let go", "Mac    locked (chosen on the Mac)",
                   "end    as expected: the Mac is locked"}))
        << timeline;
    // The shortcut for the clipboard is registered too; the centre lets both go at the end.
    EXPECT_TRUE(keys->isRegistered(9, 0x1100));
    kestrune::DDHotKeyCenter::shutdownShared();
    EXPECT_EQ(keys->registrationCount(), 0u);
    kestrune::ShortCutManager::resetForTesting();
    kestrune::DDHotKeyCenter::resetForTesting();
    platform::HotKeyRegistry::install(nullptr);
}

TEST_F(ScenarioRunnerTest, TheClipboardGoesToThePhoneByShortcutAndComesBackFromIt) {
    auto keys = platform::SimulatedHotKeys::create();
    platform::HotKeyRegistry::install(keys);
    useFeatures();
    kestrune::LanguageControllerMac::shared().setupInitialLanguageIfNeeded();
    auto timeline = play(*kestrune::findScenario("clipboard"));
    EXPECT_TRUE(succeeded) << timeline;
    EXPECT_TRUE(inOrder(timeline,
                        {"phone  runs Kestrune 3.8", "you    copy \"Meet at the harbour at six\" on the Mac",
                         "you    press Control+Command+V and let go",
                         "phone  hears: the Mac's clipboard, \"Meet at the harbour at six\"",
                         "phone  puts the Mac's text on its clipboard",
                         "Mac    notification \"The clipboard was copied to Ada's iPhone\"",
                         "phone  you copy \"Bring the spare keys\" on it and send it to the Mac",
                         "Mac    notification \"Text from your iPhone is on the clipboard\"",
                         "phone  hears: its text is on the Mac's clipboard", "end    as expected"}))
        << timeline;
    EXPECT_EQ(world->macClipboardText(), std::string("Bring the spare keys"));
    kestrune::DDHotKeyCenter::shutdownShared();
    kestrune::ShortCutManager::resetForTesting();
    kestrune::DDHotKeyCenter::resetForTesting();
    platform::HotKeyRegistry::install(nullptr);
}

TEST_F(ScenarioRunnerTest, WithTheMenuBarTheDefaultTimelineShowsThePanel) {
    prepareServices = [](kestrune::CoordinatorServices& services) { kestrune::installMenuBar(services); };
    auto timeline = play(*kestrune::findScenario("default"));
    EXPECT_TRUE(succeeded) << timeline;
    // Asked for by the phone when proximity locking is switched on, for 1.5 s; then opened by the user
    // before walking away, and closed by the lock.
    EXPECT_TRUE(inOrder(
        timeline, {"you switch proximity locking on", "Mac    the menu-bar panel opens",
                   "Mac    the menu-bar panel closes", "you    click Kestrune's icon",
                   "Mac    the menu-bar panel opens", "Mac    locked (proximity)",
                   "Mac    the menu-bar panel closes", "Mac    unlocked (proximity)", "end    as expected"}))
        << timeline;
    // Opened and closed twice, no more.
    size_t opened = 0;
    for (size_t at = timeline.find("panel opens"); at != std::string::npos;
         at = timeline.find("panel opens", at + 1))
        ++opened;
    EXPECT_EQ(opened, 2u);
}

// The application leaves the front and comes back, and the Mac sleeps and wakes: at each step the timeline
// says what the application did, the analytics kit's records among it.
TEST_F(ScenarioRunnerTest, AwayAndBackAndThroughASleepTheTimelineShowsWhatTheApplicationDid) {
    prepareServices = [](kestrune::CoordinatorServices& services) { kestrune::installMenuBar(services); };
    reporting::ReportKit::resetSharedForTesting();
    auto analytics = reporting::USKUsageKitController::controllerWithBetaToken_rootDirectory(
        std::nullopt, home() + "/analytics");
    launch();
    std::ostringstream out;
    ScenarioRunner runner(*kestrune::findScenario("background"), world, out);
    runner.start();
    // The kit writes on a queue of its own: each stride waits for it, so that its lines come in time.
    for (double waited = 0; waited < 200 && !runner.finished(); waited += 0.05) {
        advance(0.05);
        analytics->eventQueue()->waitUntilAllOperationsAreFinished();
    }
    const std::string timeline = out.str();
    EXPECT_TRUE(runner.succeeded()) << timeline;
    const std::string inactive =
        "Mac    analytics event \"app_became_inactive\" recorded; the log is flushed";
    const std::string back = "you    click Kestrune's icon in the menu bar";
    EXPECT_TRUE(
        inOrder(timeline, {"Mac    the Accessibility wizard shows its page that opens Security",
                           "you    System Preferences comes to the front", inactive, back,
                           "Mac    analytics event \"app_became_active\" recorded; the log is flushed",
                           "you    click the icon again", "Mac    paired with Ada's iPhone",
                           "you    close the settings window", inactive, "you    close the lid"}))
        << timeline;
    // Back in front the permission page looks again and finishes; the devices page reads what was left.
    for (const char* line : {"Mac    in front again: the page about the Accessibility permission checks it "
                             "again: set",
                             "Mac    the Accessibility wizard shows its page that says it is done",
                             "Mac    the system settings were left: the devices page reads them again"})
        EXPECT_TRUE(inOrder(timeline, {back, line, "you    click the icon again"})) << line;
    // What the lid decided at each end, and the restart after the wake.
    for (const char* line :
         {"Mac    decides: scan for the phone at full speed and tell the phone the Mac is in use again, the "
          "lid was opened with no external display",
          "phone  hears: the Mac is unlocked; it is in use again",
          "Mac    awake again: scanning for the phone restarts, the fail-safe connect timer set for 8 s"})
        EXPECT_TRUE(inOrder(
            timeline,
            {"you    close the lid",
             "Mac    decides: tell the phone the Mac is shut, the lid was closed with no external display",
             "phone  hears: the Mac is unlocked; it is shut", "you    open the lid", line,
             "end    as expected"}))
            << line << "\n"
            << timeline;
    // The first scan at start is no wake.
    EXPECT_EQ(timeline.find("awake again"), timeline.rfind("awake again"));
    EXPECT_FALSE(platform::Application::shared().isActive());
}

TEST_F(ScenarioRunnerTest, AScenarioThatWaitsInVainOrEndsOtherwiseSaysSo) {
    Scenario stuck;
    stuck.name = "stuck";
    stuck.summary = "waits for a lock that never comes";
    stuck.expected = "locked";
    kestrune::ScenarioStep wait;
    wait.until = [](kestrune::ScenarioWorld& w) { return w.sessionLocked(); };
    wait.waitingFor = "the Mac to lock";
    wait.waitLimit = 5;
    stuck.steps.push_back(wait);
    auto timeline = play(stuck, 20);
    EXPECT_FALSE(succeeded);
    EXPECT_TRUE(has(timeline, "end    stopped: waited 5 s for the Mac to lock")) << timeline;

    TearDown();
    SetUp();
    Scenario wrong;
    wrong.name = "wrong";
    wrong.summary = "expects a lock nobody asked for";
    wrong.expected = "the Mac is locked";
    wrong.steps.push_back(kestrune::ScenarioStep{0, "you", "sit and wait", nullptr, nullptr, "", 30});
    wrong.verdict = [](kestrune::ScenarioWorld& w,
                       const kestrune::ScenarioFacts&) -> std::optional<std::string> {
        if (!w.sessionLocked()) return std::string("the Mac is unlocked");
        return std::nullopt;
    };
    timeline = play(wrong, 20);
    EXPECT_FALSE(succeeded);
    EXPECT_TRUE(has(timeline, "end    not as expected: the Mac is unlocked (expected: the Mac is locked)"))
        << timeline;
}

}  // namespace
