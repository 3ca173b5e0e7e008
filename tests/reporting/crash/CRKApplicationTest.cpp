#include "reporting/crash/CRKApplication.h"

#include <fstream>
#include <sstream>

#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/system/Bundle.h"
#include "platform/system/ExtensionContext.h"
#include "reporting/crash/CRKContext.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using platform::Value;

class CRKApplicationTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        saved_ = platform::Bundle::main().infoDictionary();
    }
    void TearDown() override {
        platform::Bundle::main().setInfoDictionaryForTesting(saved_);
        CRKContextResetForTesting();
        KestruneTest::TearDown();
    }
    static void setInfo(Value::Dictionary info) {
        platform::Bundle::main().setInfoDictionaryForTesting(std::move(info));
    }
    Value::Dictionary saved_;
};

TEST_F(CRKApplicationTest, IdentityAndVersionsFromTheInfoDictionary) {
    setInfo({{"CFBundleIdentifier", "com/example/app"},
             {"CFBundleVersion", "42"},
             {"CFBundleShortVersionString", "1.2.3"},
             {"CFBundleName", "Example"}});
    EXPECT_EQ(CRKApplicationGetBundleIdentifier(), "com_example_app");
    EXPECT_EQ(CRKApplicationGetBuildVersionString(), "42");
    EXPECT_EQ(CRKApplicationGetShortVersionString(), "1.2.3");
    EXPECT_EQ(CRKApplicationGetName(), "Example");

    setInfo({{"CFBundleVersion", "42"}, {"CFBundleName", "Example"}, {"CFBundleDisplayName", "Shown"}});
    EXPECT_EQ(CRKApplicationGetName(), "Shown");
    setInfo({{"CFBundleVersion", "42"}});
    EXPECT_EQ(CRKApplicationGetName(), "42");
    EXPECT_FALSE(CRKApplicationGetShortVersionString());
    setInfo({{"CFBundleVersion", 42}});
    EXPECT_FALSE(CRKApplicationGetBuildVersionString());
    EXPECT_FALSE(CRKApplicationGetName());
    EXPECT_TRUE(CRKApplicationSharedInstance());
}

TEST_F(CRKApplicationTest, ExtensionPointIdentifier) {
    const std::string root = home();
    CRKContextInitData data;
    data.rootPath = root.c_str();
    ASSERT_TRUE(CRKContextInitialize(&data));
    auto log = [&] {
        std::ifstream in(root + "/sdk.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };

    setInfo({});
    EXPECT_FALSE(CRKApplicationExtensionPointIdentifier());
    EXPECT_FALSE(CRKApplicationIsExtension());

    setInfo({{"NSExtension", Value::Dictionary{{"NSExtensionPointIdentifier", "com.example.widget"}}}});
    EXPECT_EQ(CRKApplicationExtensionPointIdentifier(), "com.example.widget");
    EXPECT_TRUE(CRKApplicationIsExtension());

    setInfo({{"NSExtension", "not a dictionary"}});
    EXPECT_FALSE(CRKApplicationIsExtension());
    EXPECT_NE(log().find("WARN  [CRKApplicationExtensionPointIdentifier:"), std::string::npos);
    EXPECT_NE(log().find("] Error: NSExtension Info.plist entry is mal-formed\n"), std::string::npos);

    setInfo({{"NSExtension", Value::Dictionary{{"Other", 1}}}});
    EXPECT_FALSE(CRKApplicationIsExtension());
    EXPECT_NE(log().find("] Error: NSExtensionPointIdentifier Info.plist entry is mal-formed\n"),
              std::string::npos);
}

// An extension's host, which answers when it chooses.
class HostContext : public platform::ExtensionContext {
public:
    void openURL_completionHandler(const std::string& url, std::function<void(bool)> completion) override {
        asked.push_back(url);
        answer = std::move(completion);
    }
    std::vector<std::string> asked;
    std::function<void(bool)> answer;
};

TEST_F(CRKApplicationTest, OpeningAURLGoesToTheExtensionsHostElseToTheDesktop) {
    std::vector<bool> answers;
    auto record = [&](bool opened) { answers.push_back(opened); };
    CRKApplicationOpenURL("https://example.com/a", nullptr, record);  // no desktop to open it
    auto desktop = std::make_shared<platform::SimulatedDesktop>(std::weak_ptr<platform::SimulatedSession>{});
    platform::DesktopServices::install(desktop);
    CRKApplicationOpenURL("https://example.com/b", nullptr, record);
    HostContext host;
    CRKApplicationOpenURL("https://example.com/c", &host, record);
    platform::DesktopServices::install(nullptr);
    EXPECT_EQ(answers, (std::vector<bool>{false, true}));
    ASSERT_TRUE(host.answer);
    host.answer(false);
    EXPECT_EQ(answers, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(desktop->openedURLs(), std::vector<std::string>{"https://example.com/b"});
    EXPECT_EQ(host.asked, std::vector<std::string>{"https://example.com/c"});
}

TEST_F(CRKApplicationTest, ActivityKeepsTheProcessFromEndingAroundItsBlock) {
    EXPECT_TRUE(CRKApplicationSuddenTerminationEnabled());
    EXPECT_TRUE(CRKApplicationAutomaticTerminationEnabled());
    bool ran = false;
    CRKApplicationActivity(49152, "Preparing crash report", [&] {
        ran = true;
        EXPECT_FALSE(CRKApplicationSuddenTerminationEnabled());
        EXPECT_FALSE(CRKApplicationAutomaticTerminationEnabled());
    });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(CRKApplicationSuddenTerminationEnabled());
    EXPECT_TRUE(CRKApplicationAutomaticTerminationEnabled());

    const Value token = CRKApplicationBeginActivity(0x4000, "why");
    EXPECT_EQ(token["options"].number()->unsignedLongLongValue(), 0x4000u);
    EXPECT_EQ(*token["reason"].string(), "why");
    EXPECT_FALSE(CRKApplicationSuddenTerminationEnabled());
    EXPECT_TRUE(CRKApplicationAutomaticTerminationEnabled());
    CRKApplicationEndActivity(token);
    CRKApplicationEndActivity(token);  // ending twice cannot re-enable more than was disabled
    CRKApplicationEndActivity(Value());
    EXPECT_TRUE(CRKApplicationSuddenTerminationEnabled());
    const Value nested = CRKApplicationBeginActivity(0x4000, "again");
    EXPECT_FALSE(CRKApplicationSuddenTerminationEnabled());
    CRKApplicationEndActivity(nested);
}

}  // namespace
