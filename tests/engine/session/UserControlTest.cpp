#include "engine/session/UserControl.h"

#include <thread>

#include "app/records/DeviceUser.h"
#include "engine/session/AuthorizationManager.h"
#include "platform/base/RunLoop.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/SecurityServices.h"
#include "tests/engine/SessionFixture.h"

using namespace kestrune;

namespace {

platform::SimulatedSession::Account account(uint32_t uid, const std::string& name,
                                            const std::string& fullName, const std::string& password,
                                            bool enabled = true) {
    platform::SimulatedSession::Account a;
    a.uid = uid;
    a.name = name;
    a.fullName = fullName;
    a.password = password;
    a.enabled = enabled;
    return a;
}

}  // namespace

class UserControlTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        session->setAccounts({account(501, "anna", "Anna Berg", "kestrel"),
                              account(502, "ben", "Ben Ode", "", /*enabled=*/false)});
    }
};

TEST_F(UserControlTest, AccountsByExactShortName) {
    auto users = UserControl::getAllMacUsers();
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users["anna"]->idNumber()->unsignedIntValue(), 501u);
    EXPECT_EQ(users["anna"]->fullName(), "Anna Berg");
    EXPECT_TRUE(users["anna"]->hasPassword()->boolValue());
    EXPECT_FALSE(users["ben"]->hasPassword()->boolValue());

    struct Case {
        const char* password;
        const char* user;
        bool valid;
    } cases[] = {
        {"kestrel", "anna", true},    {"kestrel", "Anna", false},  // case matters in the name
        {"Kestrel", "anna", false},   {"", "ben", false},          // a disabled account refuses
        {"kestrel", "nobody", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.user) + "/" + c.password);
        EXPECT_EQ(UserControl::checkIfPassword_validForUserName(c.password, c.user), c.valid);
    }
    EXPECT_FALSE(UserControl::doesUserExistWithUsername("ANNA"));
    EXPECT_FALSE(UserControl::userWithUserNameIsEnabled("ben"));
    EXPECT_FALSE(UserControl::userWithUserNameIsEnabled("nobody"));
}

TEST_F(UserControlTest, IdentitiesAreReadOnceEvenWhenAskedFromManyThreads) {
    std::vector<std::thread> threads;
    std::atomic<int> seenTwo{0};
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            if (UserControl::getAllMacCBUserIdentities().size() == 2) ++seenTwo;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(seenTwo, 4);
    // An account added while the application runs is not seen until it restarts.
    session->addAccount(account(503, "cara", "Cara", "x"));
    EXPECT_FALSE(UserControl::doesUserExistWithUsername("cara"));
    EXPECT_FALSE(UserControl::checkIfPassword_validForUserName("x", "cara"));

    // Another account service installed (another Mac's session) is another set of accounts, read anew;
    // the one before, installed again, is read again too.
    auto other = platform::SimulatedSession::create(home() + "/other");
    other->setAccounts({account(601, "dora", "Dora", "y")});
    other->install();
    EXPECT_TRUE(UserControl::doesUserExistWithUsername("dora"));
    EXPECT_FALSE(UserControl::doesUserExistWithUsername("anna"));
    session->install();
    EXPECT_TRUE(UserControl::doesUserExistWithUsername("cara"));
    EXPECT_FALSE(UserControl::doesUserExistWithUsername("dora"));
}

TEST_F(UserControlTest, CurrentUserIsTheRunningUser) {
    std::string me = platform::ProcessInfo::shared().userName();
    EXPECT_EQ(UserControl::getCurrentLogedInUsername(), me);
    EXPECT_FALSE(UserControl::checkIfPasswordValidForCurrentUser("kestrel"));  // no account of that name here
    UserControl::resetIdentityCacheForTesting();
    auto mine = account(600, me, "Me Myself", "mine");
    mine.picturePath = "/pictures/me.png";
    session->addAccount(mine);
    EXPECT_TRUE(UserControl::checkIfPasswordValidForCurrentUser("mine"));
    EXPECT_EQ(UserControl::fullName(), "Me Myself");
    EXPECT_EQ(UserControl::userImage(), "/pictures/me.png");
}

class AuthorizationManagerTest : public SessionTest {
protected:
    // Runs the request and answers how often, with what, and whether on the main thread it completed.
    std::vector<std::pair<bool, bool>> authorize(std::optional<std::string> message) {
        std::vector<std::pair<bool, bool>> answers;
        AuthorizationManager::authorizeWithMessage_completion(std::move(message), [&](bool granted) {
            answers.emplace_back(granted, platform::isMainThread());
        });
        runUntilIdle();
        return answers;
    }
};

TEST_F(AuthorizationManagerTest, AnswersOnceOnTheMainThread) {
    struct Case {
        const char* label;
        bool creationFails;
        int32_t status;
        bool granted;
    } cases[] = {
        {"granted", false, platform::kAuthorizationSuccess, true},
        {"cancelled", false, platform::kAuthorizationCanceled, false},
        {"wrong password", false, platform::kAuthorizationDenied, false},
        {"no authorization", true, platform::kAuthorizationSuccess, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        desktop()->setAuthorizationCreationFails(c.creationFails);
        desktop()->queueAuthorizationAnswer(c.status);
        auto answers = authorize(std::nullopt);
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0], std::make_pair(c.granted, true));
        desktop()->setAuthorizationCreationFails(false);
    }
}

TEST_F(AuthorizationManagerTest, MessageReachesTheDialogWithOneBlank) {
    authorize("Unpair the phone?");
    authorize(std::nullopt);
    auto requests = desktop()->authorizationRequests();
    ASSERT_EQ(requests.size(), 2u);
    ASSERT_EQ(requests[0].environment.size(), 1u);
    EXPECT_EQ(requests[0].environment[0].name, "prompt");
    EXPECT_EQ(requests[0].environment[0].value, "Unpair the phone? ");
    EXPECT_TRUE(requests[1].environment.empty());
    EXPECT_EQ(requests[0].flags, 11u);
    ASSERT_EQ(requests[0].rights.size(), 1u);
    EXPECT_EQ(requests[0].rights[0].name, "com.kestrune.Kestrune");
    EXPECT_TRUE(requests[0].rights[0].value.empty());
}

TEST_F(UserControlTest, InstalledSessionServicesAnswerFromTheMonitorAndTheAccounts) {
    auto services = MacSessionServices::current();
    ASSERT_NE(std::dynamic_pointer_cast<EngineSessionServices>(services), nullptr);
    MacDisplayControl::shared().startTrackingDisplayChanges();
    EXPECT_TRUE(services->ifUserLoggedInAndActive());
    session->lock();
    advance(1);
    EXPECT_FALSE(services->ifUserLoggedInAndActive());
    session->closeLid();
    EXPECT_TRUE(services->laptopLidIsDownAndNoExternalMonitor());
    EXPECT_EQ(services->getAllMacUsers().size(), 2u);
    EXPECT_TRUE(services->userWithUserNameIsEnabled("anna"));
    EXPECT_FALSE(services->userWithUserNameIsEnabled("ben"));
}
