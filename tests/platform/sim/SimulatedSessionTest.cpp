#include "platform/sim/session/SimulatedSession.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/base/DispatchQueue.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/storage/Files.h"
#include "platform/system/DistributedNotificationCenter.h"
#include "platform/system/SystemVersion.h"
#include "platform/ui/Alert.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "tests/support/TestEnvironment.h"

using namespace platform;

class SimulatedSessionTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        session = SimulatedSession::create(home() + "/session");
        observation = DistributedNotificationCenter::defaultCenter().addObserver(
            "", nullptr, [this](const Notification& n) { broadcasts.push_back(n.name); });
    }
    void TearDown() override {
        observation.remove();
        SystemVersion::setOverride(std::nullopt);
        KestruneTest::TearDown();
    }
    void type(const std::u16string& text) {
        for (char16_t unit : text) session->postKeyEvent(KeyEvent{0, 0, true, std::u16string(1, unit)});
        session->postKeyEvent(KeyEvent{36, 0, true, {}});
    }

    std::shared_ptr<SimulatedSession> session;
    std::vector<std::string> broadcasts;
    NotificationCenter::Observation observation;
};

TEST_F(SimulatedSessionTest, LockAndUnlockAreAnnouncedInTheirOrderAndTheDictionaryFollows) {
    auto dictionary = session->copyCurrentSessionDictionary();
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(Value(*dictionary)["CGSSessionScreenIsLocked"], Value());
    EXPECT_EQ(Value(*dictionary)["kCGSessionLoginDoneKey"], Value(true));

    session->lock();
    EXPECT_TRUE(broadcasts.empty());  // announced on the main run loop, later
    runUntilIdle();
    EXPECT_EQ(broadcasts,
              (std::vector<std::string>{"com.apple.screenIsLocked", "com.apple.screenLockUIIsShown"}));
    EXPECT_EQ(Value(*session->copyCurrentSessionDictionary())["CGSSessionScreenIsLocked"], Value(true));

    broadcasts.clear();
    type(u"password");
    runUntilIdle();
    EXPECT_EQ(broadcasts,
              (std::vector<std::string>{"com.apple.screenLockUIIsHidden", "com.apple.screenIsUnlocked"}));

    SimulatedSession::Faults faults;
    faults.noSessionDictionary = true;
    session->setFaults(faults);
    EXPECT_FALSE(session->copyCurrentSessionDictionary());
}

TEST_F(SimulatedSessionTest, WrongPasswordsAppendToThePrivateAccountPolicyLog) {
    // The log is there, empty, from the start, and stands for the system's.
    EXPECT_EQ(Files::fileSize(session->accountPolicyLogPath()), 0u);
    session->install();
    EXPECT_EQ(SystemFiles::pathFor("/var/log/accountpolicy.log"), session->accountPolicyLogPath());
    EXPECT_EQ(SystemFiles::pathFor("/etc/hosts"), "/etc/hosts");
    SimulatedSession::uninstall();
    EXPECT_EQ(SystemFiles::pathFor("/var/log/accountpolicy.log"), "/var/log/accountpolicy.log");

    session->lock();
    type(u"guess");
    type(u"again");
    EXPECT_TRUE(session->isLocked());
    auto text = Files::read(session->accountPolicyLogPath());
    ASSERT_TRUE(text);
    std::string lines(reinterpret_cast<const char*>(text->bytes()), text->size());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
    EXPECT_NE(lines.find("Failed to authenticate user <" + session->consoleUser() + ">"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(stat(session->accountPolicyLogPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// A link put in the log's place leads to a file of someone else's:
// neither making the log nor a wrong password writes through it, and the log says so.
TEST_F(SimulatedSessionTest, TheAccountPolicyLogIsNeverWrittenThroughALink) {
    const std::string theirs = home() + "/theirs.txt";
    ASSERT_TRUE(Files::writeAtomically(theirs, Data::fromString("theirs\n"), 0644));
    const std::string folder = home() + "/linked-session";
    ASSERT_TRUE(Files::createDirectories(folder, 0700));
    ASSERT_EQ(symlink(theirs.c_str(), (folder + "/accountpolicy.log").c_str()), 0);
    testsupport::LogCapture log;
    auto linked = SimulatedSession::create(folder);
    linked->lock();
    for (char16_t unit : std::u16string(u"guess")) linked->postKeyEvent(KeyEvent{0, 0, true, {unit}});
    linked->postKeyEvent(KeyEvent{36, 0, true, {}});
    EXPECT_TRUE(linked->isLocked());
    EXPECT_EQ(Files::read(theirs), Data::fromString("theirs\n"));
    EXPECT_TRUE(log.contains("a link is in its place"));
    EXPECT_TRUE(log.contains("is not in " + linked->accountPolicyLogPath()));
}

TEST_F(SimulatedSessionTest, ReconfigurationCallbacksRunOnTheRegisteringThreadAndStopWhenRemoved) {
    std::atomic<int> calls{0};
    std::atomic<bool> onOwnThread{true};
    std::atomic<RunLoop*> loop{nullptr};
    std::atomic<uint64_t> registration{0};
    std::atomic<bool> stopped{false};
    std::thread display([&] {
        auto id = std::this_thread::get_id();
        registration = session->addDisplayReconfigurationCallback([&, id](uint32_t, uint32_t) {
            if (std::this_thread::get_id() != id) onOwnThread = false;
            ++calls;
        });
        loop = &RunLoop::current();
        RunLoop::current().run();
        while (!stopped)
            std::this_thread::yield();  // the loop ends with the thread: not before stop() returned
    });
    while (!loop) std::this_thread::yield();

    session->setDisplays({{1, true, {0, 0, 1440, 900}}, {2, false, {1440, 0, 800, 600}}});
    runUntilIdle();
    EXPECT_EQ(calls, SimulatedSession::kReconfigurationCallsPerChange);
    EXPECT_TRUE(onOwnThread);

    // Removed while its loop is stopped: a change after that neither calls it nor waits for it.
    session->removeDisplayReconfigurationCallback(registration);
    loop.load()->stop();
    stopped = true;
    display.join();
    session->setDisplays({{1, true, {0, 0, 1440, 900}}});
    runUntilIdle();
    EXPECT_EQ(calls, SimulatedSession::kReconfigurationCallsPerChange);
}

TEST_F(SimulatedSessionTest, PowerClientsHearSleepAndWakeAndMayRefuseIdleSleep) {
    std::vector<uint32_t> messages;
    uint64_t client = 0;
    client = session->registerForSystemPower([&](uint32_t type, intptr_t argument) {
        messages.push_back(type);
        if (type == kMessageCanSystemSleep) session->cancelPowerChange(client, argument);
    });
    session->requestIdleSleep();
    runUntilIdle();
    EXPECT_FALSE(session->isSystemAsleep());
    session->sleepSystem();
    session->wakeSystem();
    runUntilIdle();
    EXPECT_EQ(messages, (std::vector<uint32_t>{kMessageCanSystemSleep, kMessageSystemWillSleep,
                                               kMessageSystemWillPowerOn, kMessageSystemHasPoweredOn}));
    session->deregisterForSystemPower(client);
    session->requestIdleSleep();
    runUntilIdle();
    EXPECT_TRUE(session->isSystemAsleep());
}

TEST_F(SimulatedSessionTest, KeychainMenuExtraLocksBelowTenThirteenWhileOffered) {
    const std::string menuExtra =
        "/Applications/Utilities/Keychain Access.app/Contents/Resources/Keychain.menu";
    SystemVersion::setOverride("10.13.0");
    EXPECT_FALSE(session->desktop()->lockScreenFromMenuExtra(menuExtra));
    SystemVersion::setOverride("10.12.6");
    session->desktop()->setKeychainMenuExtraOffered(false);
    EXPECT_FALSE(session->desktop()->lockScreenFromMenuExtra(menuExtra));
    EXPECT_FALSE(session->isLocked());
    session->desktop()->setKeychainMenuExtraOffered(true);
    EXPECT_TRUE(session->desktop()->lockScreenFromMenuExtra(menuExtra));
    EXPECT_TRUE(session->isLocked());
}

TEST_F(SimulatedSessionTest, LoginItemObserversBelongToTheListTheyWereAddedOn) {
    auto desktop = session->desktop();
    auto first = desktop->openSessionLoginItems();
    int changes = 0;
    uint64_t observer = first->addObserver([&] { ++changes; });
    auto second = desktop->openSessionLoginItems();
    second->removeObserver(observer);  // not its observer
    second->insertLast("/Applications/Kestrune.app");
    runUntilIdle();
    EXPECT_EQ(changes, 1);
    first->removeObserver(observer);
    EXPECT_EQ(desktop->loginItemObserverCount(), 0u);
    desktop->setLoginItemsAvailable(false);
    EXPECT_EQ(desktop->openSessionLoginItems(), nullptr);
}

// An alert that asks is on screen in its window, with its texts and buttons, while the answerer decides;
// once answered it is gone from the screen and kept with the record, for a picture of it.
TEST_F(SimulatedSessionTest, AnAskingAlertIsShownInItsWindowUntilItIsAnswered) {
    auto desktop = session->desktop();
    EXPECT_EQ(desktop->shownAlertWindow(), nullptr);
    std::shared_ptr<ui::Window> seen;
    std::vector<std::string> seenButtons;
    desktop->setAlertAnswerer(
        [&](const std::string&, const std::vector<std::string>&) -> std::optional<size_t> {
            seen = desktop->shownAlertWindow();
            if (seen) {
                EXPECT_TRUE(seen->isVisible());
                for (const auto& button : ui::Alert::buttonsOf(*seen)) seenButtons.push_back(button->title());
                if (auto message = ui::Alert::messageFieldOf(*seen)) {
                    EXPECT_EQ(message->stringValue(), "Send?");
                }
            }
            return 2;
        });
    EXPECT_EQ(desktop->runModalAlertWithButtons("Send?", "It crashed.", {"Send", "Always", "No"}),
              std::optional<size_t>(2));
    ASSERT_TRUE(seen);
    EXPECT_EQ(seenButtons, (std::vector<std::string>{"Send", "Always", "No"}));
    EXPECT_FALSE(seen->isVisible());
    EXPECT_EQ(desktop->shownAlertWindow(), nullptr);
    const auto alerts = desktop->askingAlerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].window, seen);
    EXPECT_EQ(alerts[0].answer, std::optional<size_t>(2));

    // An answer past the buttons counts as none; the window still goes.
    desktop->setAlertAnswerer([](const std::string&, const std::vector<std::string>&) { return 7; });
    EXPECT_EQ(desktop->runModalAlertWithButtons("Again?", "", {"Yes"}), std::nullopt);
    EXPECT_FALSE(desktop->askingAlerts().back().window->isVisible());
    desktop->setAlertAnswerer(nullptr);
}
