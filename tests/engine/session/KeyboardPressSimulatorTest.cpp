#include "engine/session/KeyboardPressSimulator.h"

#include "engine/evidence/CommandLine.h"
#include "engine/session/LockMacController.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Strings.h"
#include "tests/engine/SessionFixture.h"

using namespace kestrune;
using Destination = platform::SimulatedSession::KeyDestination;

namespace {

std::u16string textReachingApplications(const platform::SimulatedSession& session) {
    std::u16string text;
    for (const auto& key : session.keysReachingApplications()) text += key.event.unicode;
    return text;
}

// Locks the session with the lock screen up, as the user would find it.
void showLockScreen(platform::SimulatedSession& session) {
    session.lock();
    ASSERT_TRUE(session.isLockScreenShown());
}

}  // namespace

using KeyboardPressSimulatorTest = SessionTest;

TEST_F(KeyboardPressSimulatorTest, TypingIsPacedBelowTenThirteenOnly) {
    struct Case {
        const char* version;
        double seconds;
    } cases[] = {{"10.12.6", 0.08}, {"10.13.0", 0.0}, {"10.14.6", 0.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        setVersion(c.version);
        session = platform::SimulatedSession::create(home() + "/" + c.version);
        session->install();
        double began = now(), ended = -1;
        KeyboardPressSimulator::simulatePressString_shouldContinueWithEntry_withCompletion(
            "abcd", nullptr, [&](bool finished, size_t index) {
                EXPECT_TRUE(finished);
                EXPECT_EQ(index, 0u);
                ended = now();
            });
        runUntilIdle();
        EXPECT_NEAR(ended - began, c.seconds, 1e-6);
        EXPECT_EQ(textReachingApplications(*session), u"abcd");
    }
}

TEST_F(KeyboardPressSimulatorTest, ContinueClosureStopsTypingAtTheUnitNotTyped) {
    int asked = 0;
    bool finished = true;
    size_t index = 0;
    KeyboardPressSimulator::simulatePressString_shouldContinueWithEntry_withCompletion(
        "secret", [&] { return ++asked <= 2; },
        [&](bool f, size_t i) {
            finished = f;
            index = i;
        });
    runUntilIdle();
    EXPECT_FALSE(finished);
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(textReachingApplications(*session), u"se");

    // An empty text completes at once.
    finished = false;
    KeyboardPressSimulator::simulatePressString_shouldContinueWithEntry_withCompletion(
        "", [] { return false; }, [&](bool f, size_t) { finished = f; });
    runUntilIdle();
    EXPECT_TRUE(finished);
}

TEST_F(KeyboardPressSimulatorTest, PasswordFieldUnlocksOnTheRightPasswordAndLogsAWrongOne) {
    auto me = session->accounts().front();
    me.password = "p\xC3\xA4\xF0\x9F\x98\x80ss";  // "pä😀ss": the emoji goes as two units
    session->addAccount(me);
    showLockScreen(*session);

    auto type = [&](const std::string& text) {
        KeyboardPressSimulator::simulatePressString_shouldContinueWithEntry_withCompletion(
            text, nullptr, [](bool, size_t) { KeyboardPressSimulator::simulateEnter(); });
        runUntilIdle();
    };
    type("p\xC3\xA4ss");
    EXPECT_TRUE(session->isLocked());
    EXPECT_EQ(logLines(), 1u);
    EXPECT_TRUE(session->passwordField().empty());

    size_t keysBefore = session->keyLog().size();
    type(me.password);
    EXPECT_FALSE(session->isLocked());
    EXPECT_FALSE(session->isLockScreenShown());
    EXPECT_EQ(logLines(), 1u);
    // Six units down (the emoji as a surrogate pair) and Enter; every key-up is dropped.
    auto log = session->keyLog();
    ASSERT_EQ(log.size() - keysBefore, 7u);
    EXPECT_EQ(log[keysBefore + 2].event.unicode, std::u16string(1, char16_t(0xD83D)));
    EXPECT_EQ(log[keysBefore + 3].event.unicode, std::u16string(1, char16_t(0xDE00)));
    for (size_t i = keysBefore; i < log.size(); ++i)
        EXPECT_EQ(log[i].destination, Destination::PasswordField);
    EXPECT_TRUE(session->keysReachingApplications().empty());
}

TEST_F(KeyboardPressSimulatorTest, DeleteAllClearsTheFieldWithTwoPausesFromAWorker) {
    showLockScreen(*session);
    for (char16_t unit : std::u16string(u"abc")) KeyboardPressSimulator::executeChar(unit);
    ASSERT_EQ(session->passwordField(), u"abc");
    double began = now();
    platform::DispatchQueue::global().async([] { KeyboardPressSimulator::simulateDeleteAll(); });
    runUntilIdle();
    EXPECT_TRUE(session->passwordField().empty());
    EXPECT_NEAR(now() - began, 0.2, 1e-6);
    KeyboardPressSimulator::executeChar(u'x');
    KeyboardPressSimulator::simulateDelete();  // without select-all, one unit
    EXPECT_TRUE(session->passwordField().empty());
}

TEST_F(KeyboardPressSimulatorTest, KeysReachingApplicationsAreRecordedAndASessionChangeCanFallBetweenKeys) {
    session->setFrontApplication("TextEdit");
    session->setBeforeKeyHook([&](size_t index, const platform::KeyEvent&) {
        if (index == 2) session->lock();  // the session locks between the second and third key
    });
    KeyboardPressSimulator::simulatePressString_shouldContinueWithEntry_withCompletion("abcd", nullptr,
                                                                                       nullptr);
    runUntilIdle();
    auto reached = session->keysReachingApplications();
    ASSERT_EQ(reached.size(), 2u);
    EXPECT_EQ(reached[0].application, "TextEdit");
    EXPECT_EQ(textReachingApplications(*session), u"ab");
    EXPECT_EQ(session->passwordField(), u"cd");
}

TEST_F(KeyboardPressSimulatorTest, LockCommandByVersionAndMenuExtra) {
    struct Case {
        const char* version;
        bool menuExtraOffered;
        bool locks;
        Destination chord;  // where Control-Command-Q went
    } cases[] = {
        {"10.12.6", true, true, Destination::Application},
        {"10.12.6", false, false, Destination::Application},  // only the displays go off
        {"10.13.0", false, true, Destination::SessionCommand},
        {"10.14.6", true, true, Destination::SessionCommand},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + (c.menuExtraOffered ? " with" : " without") + " menu extra");
        setVersion(c.version);
        session = platform::SimulatedSession::create(home() + "/lock");
        session->install();
        desktop()->setKeychainMenuExtraOffered(c.menuExtraOffered);
        LockMacController::lockScreen();
        EXPECT_TRUE(session->displaysAsleep());
        EXPECT_EQ(session->isLocked(), c.locks);

        session = platform::SimulatedSession::create(home() + "/chord");
        session->install();
        KeyboardPressSimulator::executeSleepCommandForHighSierraOrHigher();
        ASSERT_EQ(session->keyLog().size(), 1u);
        EXPECT_EQ(session->keyLog()[0].destination, c.chord);
        EXPECT_EQ(session->keyLog()[0].event.flags, 0x140000u);
    }
}

TEST_F(KeyboardPressSimulatorTest, ScreensaverPathByVersionAndEscapeStopsIt) {
    struct Case {
        const char* version;
        const char* path;
    } cases[] = {
        {"10.12.6",
         "/System/Library/Frameworks/ScreenSaver.framework/Versions/A/Resources/ScreenSaverEngine.app"},
        {"10.13.0", "/System/Library/CoreServices/ScreenSaverEngine.app"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        setVersion(c.version);
        EXPECT_EQ(CommandLine::screenSaverAppPath(), c.path);
        LockMacController::screenSaverTest();
        EXPECT_TRUE(session->isScreensaverRunning());
        KeyboardPressSimulator::executeChar(u'x');
        EXPECT_TRUE(session->isScreensaverRunning());
        KeyboardPressSimulator::hideScreensaver();
        EXPECT_FALSE(session->isScreensaverRunning());
    }
    EXPECT_TRUE(session->keysReachingApplications().empty());
}

TEST_F(KeyboardPressSimulatorTest, LidTestCountsOnlyAnOpenListingAsOpenAndEmptyOutputAsClosed) {
    EXPECT_FALSE(CommandLine::ifLidIsClosed());
    session->closeLid();
    EXPECT_TRUE(CommandLine::ifLidIsClosed());
    // A Mac without a lid lists nothing: that reads as closed, whatever the lid state was.
    session->openLid();
    platform::SimulatedSession::Faults desktopMac;
    desktopMac.noClamshell = true;
    session->setFaults(desktopMac);
    EXPECT_TRUE(CommandLine::ifLidIsClosed());
}

TEST_F(KeyboardPressSimulatorTest, DefaultsReadsAndOtherCommands) {
    EXPECT_EQ(LockMacController::readIntArgumentFromScreensaverDefaultsWithKey("askForPasswordDelay"), 0);
    session->setScreensaverAskForPasswordDelay(300);
    EXPECT_EQ(LockMacController::readIntArgumentFromScreensaverDefaultsWithKey("askForPasswordDelay"), 300);
    CommandLine::restartMac();
    EXPECT_TRUE(session->restartRequested());
    // Display sleep and wake through the display wrangler; a missing entry changes nothing.
    KeyboardPressSimulator::turnOffDisplay();
    EXPECT_TRUE(session->displaysAsleep());
    KeyboardPressSimulator::wakeComputerFromSleep();
    EXPECT_FALSE(session->displaysAsleep());
    platform::SimulatedSession::Faults noWrangler;
    noWrangler.noDisplayIdleEntry = true;
    session->setFaults(noWrangler);
    LockMacController::turnDisplayOff();
    EXPECT_FALSE(session->displaysAsleep());
}

TEST(KeyCodeForKeyString, NamesAreExactAndUnknownOnesAnswerZero) {
    struct Case {
        const char* name;
        int code;
        bool known;
    } cases[] = {{"a", 0, true},      {"UP", 126, true},  {"ENTER", 52, true}, {"RETURN", 36, true},
                 {"*", 67, true},     {"F15", 113, true}, {"\\", 42, true},    {"up", 0, false},
                 {"Enter", 0, false}, {"", 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::internal::CaptureStderr();
        EXPECT_EQ(keyCodeForKeyString(c.name), c.code);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err, c.known ? "" : std::string("keyString ") + c.name + " Not Found. Aborting...\n");
    }
}
