// The front-application watch and the typing into the authorisation dialog, on the simulated session.

#include "engine/session/SecurityAgentListener.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/session/AutoHideNotificationPresenter.h"
#include "platform/base/Strings.h"
#include "platform/system/Workspace.h"
#include "tests/engine/AfterKeyboard.h"
#include "tests/engine/ProximityFixture.h"

using namespace kestrune;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kOwnIdentifier = "com.kestrune.Kestrune";  // the bundle the tests run with

struct RecordingDelegate : SecurityAgentListenerDelegate {
    Strings calls;
    void securitAgentDidChange(SecurityAgentListener& l) override {
        calls.push_back(std::string("agent:") + (l.securityAgentIsActive() ? "on" : "off"));
    }
    void kestruneDidChange(SecurityAgentListener& l) override {
        calls.push_back(std::string("kestrune:") + (l.kestruneIsActive() ? "on" : "off"));
    }
    void systemPreferancesDidChange(SecurityAgentListener& l) override {
        calls.push_back(std::string("prefs:") + (l.systemPreferancesIsActive() ? "on" : "off"));
    }
};

struct RecordingPresenter : AutoHideNotificationPresenter {
    Strings shown;
    void showAutoHideNotificationWithText_identifier(const std::string& text,
                                                     const std::string& identifier) override {
        shown.push_back(text + "|" + identifier);
    }
};

}  // namespace

class SecurityAgentTest : public ProximityTest {
protected:
    void SetUp() override {
        ProximityTest::SetUp();
        SecurityAgentListener::resetSharedForTesting();
        listener = &SecurityAgentListener::shared();
        listener->delegate = delegate;
        AutoHideNotificationPresenter::install(presenter);
        DataManager::shared().setClearTextPassword_forMobileDevice("secret", phone);
        freshKeyboard();
    }
    void TearDown() override {
        afterKey = nullptr;
        platform::KeyboardEvents::install(session);
        AutoHideNotificationPresenter::install(nullptr);
        SecurityAgentListener::resetSharedForTesting();
        ProximityTest::TearDown();
    }
    // Brings the application to the front and lets the listener's check run.
    void front(const std::string& name, const std::string& identifier) {
        session->setFrontApplication(name, identifier);
        advance(0.3);
    }
    // A fresh session (and key counter) in place of the current one.
    void freshSession(const std::string& name) {
        session = platform::SimulatedSession::create(home() + "/" + name);
        session->install();
        freshKeyboard();
    }
    void freshKeyboard() {
        keyboard = std::make_shared<AfterKeyboard>(session, [this](size_t index) {
            if (afterKey) afterKey(index);
        });
        platform::KeyboardEvents::install(keyboard);
    }
    void dialogInFront() { front("SecurityAgent", SecurityAgentListener::kSecurityAgentBundleIdentifier); }
    // The keys that went to applications, as text: units as they are, Command-A "^A", Delete "<",
    // Enter "\n"; each with the application it reached.
    std::string typed(const std::string& application) const {
        std::string out;
        for (const auto& k : session->keysReachingApplications()) {
            if (k.application != application) continue;
            if (!k.event.unicode.empty())
                out += platform::fromUTF16(k.event.unicode);
            else if (k.event.keyCode == 0)
                out += "^A";
            else if (k.event.keyCode == 51)
                out += "<";
            else if (k.event.keyCode == 52)
                out += "\n";
        }
        return out;
    }
    size_t keysOutsideTheDialog() const {
        size_t n = 0;
        for (const auto& k : session->keysReachingApplications()) n += k.application != "SecurityAgent";
        return n;
    }

    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    SecurityAgentListener* listener = nullptr;
    std::shared_ptr<AfterKeyboard> keyboard;
    std::function<void(size_t)> afterKey;
};

TEST_F(SecurityAgentTest, FactsFollowTheFrontApplicationThreeTenthsOfASecondLater) {
    session->setFrontApplication("SecurityAgent", SecurityAgentListener::kSecurityAgentBundleIdentifier);
    advance(0.29);
    EXPECT_TRUE(delegate->calls.empty());
    EXPECT_FALSE(listener->securityAgentIsActive());
    advance(0.01);
    EXPECT_EQ(delegate->calls, Strings{"agent:on"});
    ASSERT_TRUE(listener->runningApplication());
    EXPECT_EQ(listener->runningApplication()->localizedName(), "SecurityAgent");

    // Straight from the dialog to this application: the dialog leaving is told first.
    delegate->calls.clear();
    front("Kestrune", kOwnIdentifier);
    EXPECT_EQ(delegate->calls, (Strings{"agent:off", "kestrune:on"}));

    // The same application announced again changes nothing.
    delegate->calls.clear();
    platform::Value::Dictionary info{
        {platform::kWorkspaceApplicationKey,
         platform::Value(std::make_shared<platform::RunningApplication>("Kestrune", kOwnIdentifier))}};
    platform::Workspace::shared().notificationCenter().post(
        platform::kWorkspaceDidActivateApplicationNotification, nullptr, platform::Value(info));
    advance(0.3);
    EXPECT_TRUE(delegate->calls.empty());

    front("System Preferences", SecurityAgentListener::kSystemPreferencesBundleIdentifier);
    EXPECT_EQ(delegate->calls, (Strings{"kestrune:off", "prefs:on"}));

    // An announcement without an application clears all three.
    delegate->calls.clear();
    platform::Workspace::shared().notificationCenter().post(
        platform::kWorkspaceDidActivateApplicationNotification);
    advance(0.3);
    EXPECT_EQ(delegate->calls, Strings{"prefs:off"});
    EXPECT_FALSE(listener->runningApplication());
}

TEST_F(SecurityAgentTest, EveryCheckReadsTheApplicationAnnouncedLast) {
    // The dialog shows for a tenth of a second: both checks see the application that followed it.
    session->setFrontApplication("SecurityAgent", SecurityAgentListener::kSecurityAgentBundleIdentifier);
    advance(0.1);
    session->setFrontApplication("Kestrune", kOwnIdentifier);
    advance(0.2);
    EXPECT_EQ(delegate->calls, Strings{"kestrune:on"});
    advance(0.1);
    EXPECT_EQ(delegate->calls, Strings{"kestrune:on"});
    EXPECT_FALSE(listener->securityAgentIsActive());
}

TEST_F(SecurityAgentTest, PasswordGoesIntoTheDialogAndReturnFollowsThreeTenthsLater) {
    dialogInFront();
    listener->authenticateSecurityAgent();
    // The field is cleared and the typing started; the notice is shown at once.
    EXPECT_EQ(presenter->shown,
              Strings{"password_inserted_by_kestrune|kKestruneLockPasswordInsertedNotification"});
    runUntilIdle();
    EXPECT_EQ(typed("SecurityAgent"), "^A<secret");
    advance(0.29);
    EXPECT_EQ(typed("SecurityAgent"), "^A<secret");
    advance(0.01);
    EXPECT_EQ(typed("SecurityAgent"), "^A<secret\n");
    EXPECT_EQ(keysOutsideTheDialog(), 0u);
    EXPECT_EQ(presenter->shown.size(), 1u);
}

TEST_F(SecurityAgentTest, NothingAtAllWithoutTheDialogOrWithoutAStoredPassword) {
    // The dialog is not in front.
    listener->authenticateSecurityAgent();
    advance(1);
    EXPECT_TRUE(session->keyLog().empty());

    // No stored password: not even Return, and no notice.
    dialogInFront();
    DataManager::shared().setClearTextPassword_forMobileDevice("", phone);
    listener->authenticateSecurityAgent();
    advance(1);
    EXPECT_TRUE(session->keyLog().empty());
    EXPECT_TRUE(presenter->shown.empty());

    // No tracked phone at all.
    DataManager::shared().setClearTextPassword_forMobileDevice("secret", phone);
    settings->pairingInfo()->setConnectionStatus(platform::Number(0));
    listener->authenticateSecurityAgent();
    advance(1);
    EXPECT_TRUE(session->keyLog().empty());
}

TEST_F(SecurityAgentTest, KeysStopWhenTheDialogLeavesEvenBeforeTheListenerKnows) {
    struct Case {
        const char* what;
        size_t leaveAfterKey;  // the dialog leaves after this key-down landed (0 select-all, 1 delete, ...)
        const char* expected;
    } cases[] = {
        {"before the first key", SIZE_MAX, ""},
        {"after select-all", 0, "^A"},
        {"mid-password", 4, "^A<sec"},
        {"after the last unit, before Return", 7, "^A<secret"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        freshSession(std::to_string(c.leaveAfterKey));
        dialogInFront();
        ASSERT_TRUE(listener->securityAgentIsActive());
        if (c.leaveAfterKey == SIZE_MAX) session->setFrontApplication("TextEdit", "com.apple.TextEdit");
        afterKey = [&](size_t index) {
            if (index == c.leaveAfterKey) session->setFrontApplication("TextEdit", "com.apple.TextEdit");
        };
        listener->authenticateSecurityAgent();
        // The listener's own fact still says the dialog is in front for 0.3 s; the keys ask the session.
        runUntilIdle();
        EXPECT_TRUE(listener->securityAgentIsActive());
        advance(1);
        afterKey = nullptr;
        EXPECT_EQ(typed("SecurityAgent"), c.expected);
        EXPECT_EQ(keysOutsideTheDialog(), 0u);
        EXPECT_FALSE(listener->securityAgentIsActive());
    }
}

TEST_F(SecurityAgentTest, ReturnIsNotPressedWhenTheDialogClosesWithinTheThreeTenths) {
    for (double closesAfter : {0.1, 0.29}) {
        dialogInFront();
        listener->authenticateSecurityAgent();
        runUntilIdle();
        advance(closesAfter);
        session->setFrontApplication("Finder");
        advance(1);
        EXPECT_EQ(typed("Finder"), "") << closesAfter;
        EXPECT_EQ(typed("SecurityAgent").find('\n'), std::string::npos) << closesAfter;
    }
}

// The front application changes at random points of the typing: to another application, back to the
// dialog, or the session locks. Whatever happens, no key reaches an application other than the dialog.
TEST_F(SecurityAgentTest, SeededInterleavingsNeverSendAKeyOutsideTheDialog) {
    std::mt19937 random(20270115);
    size_t submitted = 0;
    for (int round = 0; round < 10000; ++round) {
        if (session->isLocked())
            freshSession("round");
        else
            freshKeyboard();
        const size_t before = typed("SecurityAgent").size();
        dialogInFront();
        const size_t at = random() % 10;
        const int change = static_cast<int>(random() % 4);
        afterKey = [&, at, change](size_t index) {
            if (index != at) return;
            switch (change) {
                case 0:
                    session->setFrontApplication("TextEdit", "com.apple.TextEdit");
                    break;
                case 1:
                    session->setFrontApplication("Finder");
                    break;
                case 2:
                    session->setFrontApplication("Kestrune", kOwnIdentifier);
                    break;
                default:
                    session->lock();
                    break;
            }
        };
        listener->authenticateSecurityAgent();
        advance(0.5);
        afterKey = nullptr;
        ASSERT_EQ(keysOutsideTheDialog(), 0u) << "round " << round << " change " << change << " at " << at;
        const std::string mine = typed("SecurityAgent").substr(before);
        submitted += !mine.empty() && mine.back() == '\n';
    }
    // Changes after the last key leave the whole password and Return in the dialog.
    EXPECT_GT(submitted, 500u);
}
