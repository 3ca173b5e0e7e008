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

// An extension's host: it answers later, as a host may.
class HostContext : public platform::ExtensionContext {
public:
    void openURL_completionHandler(const std::string& url, std::function<void(bool)> completion) override {
        asked.push_back(url);
        pending = std::move(completion);
    }
    std::vector<std::string> asked;
    std::function<void(bool)> pending;
};

TEST_F(CRKApplicationTest, OpeningAURLGoesToTheExtensionsHostElseToTheDesktop) {
    std::vector<bool> answers;
    auto record = [&](bool opened) { answers.push_back(opened); };

    // No desktop to open it: the completion hears that it was not opened.
    CRKApplicationOpenURL("https://example.com/beta", nullptr, record);
    EXPECT_EQ(answers, std::vector<bool>{false});

    auto desktop = std::make_shared<platform::SimulatedDesktop>(std::weak_ptr<platform::SimulatedSession>{});
    struct Installed {
        explicit Installed(std::shared_ptr<platform::DesktopServices> d) {
            platform::DesktopServices::install(std::move(d));
        }
        ~Installed() { platform::DesktopServices::install(nullptr); }
    } installed(desktop);
    CRKApplicationOpenURL("https://example.com/beta", nullptr, record);
    CRKApplicationOpenURL("https://example.com/quiet", nullptr, nullptr);
    EXPECT_EQ(answers, (std::vector<bool>{false, true}));
    EXPECT_EQ(desktop->openedURLs(),
              (std::vector<std::string>{"https://example.com/beta", "https://example.com/quiet"}));

    // With a context the host alone is asked, and its answer is the one the completion hears.
    HostContext host;
    CRKApplicationOpenURL("https://example.com/host", &host, record);
    EXPECT_EQ(host.asked, std::vector<std::string>{"https://example.com/host"});
    EXPECT_EQ(desktop->openedURLs().size(), 2u);
    EXPECT_EQ(answers.size(), 2u);
    ASSERT_TRUE(host.pending);
    host.pending(false);
    EXPECT_EQ(answers, (std::vector<bool>{false, true, false}));
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
