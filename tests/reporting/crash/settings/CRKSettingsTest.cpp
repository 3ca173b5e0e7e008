#include "reporting/crash/settings/CRKSettings.h"

#include <cstdlib>

#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StringsTable.h"
#include "platform/system/Bundle.h"
#include "tests/support/TestEnvironment.h"

namespace {

using platform::Value;
using reporting::CRKSettings;

class CRKSettingsTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        const char* bundle = getenv("KESTRUNE_BUNDLE_PATH");
        savedBundlePath = bundle ? std::optional<std::string>(bundle) : std::nullopt;
    }
    void TearDown() override {
        unsetenv("CrashKitPackageReports");
        platform::Bundle::main().setLocalizationFolder(std::nullopt);
        if (savedBundlePath) {
            setenv("KESTRUNE_BUNDLE_PATH", savedBundlePath->c_str(), 1);
        } else {
            unsetenv("KESTRUNE_BUNDLE_PATH");
        }
        platform::Bundle::main().reload();
        KestruneTest::TearDown();
    }
    // A bundle of this test's own, with the given Info.plist and "CrashKit" strings table.
    void useBundle(const Value::Dictionary& info, const std::optional<Value::Dictionary>& strings) {
        const std::string folder = home() + "/bundle";
        ASSERT_TRUE(platform::Files::createDirectories(folder));
        ASSERT_TRUE(platform::Files::writeAtomically(
            folder + "/Info.plist",
            *platform::PropertyList::dataFromValue(info, platform::PropertyList::Format::XML)));
        if (strings) {
            ASSERT_TRUE(platform::Files::writeAtomically(
                folder + "/CrashKit.strings",
                *platform::PropertyList::dataFromValue(*strings, platform::PropertyList::Format::XML)));
        }
        setenv("KESTRUNE_BUNDLE_PATH", folder.c_str(), 1);
        platform::Bundle::main().reload();
    }

    // A language's "CrashKit" table, in the bundle of useBundle.
    void writeLanguageTable(const std::string& code, const std::string& text) {
        const std::string folder = home() + "/bundle/" + code + ".lproj";
        ASSERT_TRUE(platform::Files::createDirectories(folder));
        ASSERT_TRUE(platform::Files::writeAtomically(
            folder + "/CrashKit.strings", platform::Data(std::vector<uint8_t>(text.begin(), text.end()))));
    }

    std::optional<std::string> savedBundlePath;
};

// The prompt's five texts and the keys of the application's table they are looked up under.
struct PromptText {
    const char* key;
    std::string (CRKSettings::*text)() const;
};
const PromptText kPromptTexts[] = {
    {"CrashKitCrashSubmissionPromptTitle", &CRKSettings::interactivePromptTitle},
    {"CrashKitCrashSubmissionPromptMessage", &CRKSettings::interactivePromptMessage},
    {"CrashKitCrashSubmissionCancelTitle", &CRKSettings::interactivePromptCancelTitle},
    {"CrashKitCrashSubmissionSendTitle", &CRKSettings::interactivePromptSendTitle},
    {"CrashKitCrashSubmissionAlwaysSendTitle", &CRKSettings::interactivePromptAlwaysSendTitle},
};

// Every text the server can send for the prompt.
const Value::Dictionary kServedPrompt{
    {"prompt", Value::Dictionary{{"title", "Served title"},
                                 {"message", "Served message"},
                                 {"cancel_button_title", "Served cancel"},
                                 {"send_button_title", "Served send"},
                                 {"always_send_button_title", "Served always"}}}};

TEST_F(CRKSettingsTest, WithoutDownloadedSettingsTheDefaultsHold) {
    useBundle({}, std::nullopt);
    for (const auto& dictionary :
         {std::optional<Value::Dictionary>(),
          std::optional<Value::Dictionary>(Value::Dictionary{{"features", Value::Dictionary{{"other", true}}},
                                                             {"session", Value::Dictionary{}}})}) {
        CRKSettings settings(dictionary);
        EXPECT_TRUE(settings.crashReportingEnabled());
        EXPECT_TRUE(settings.errorReportingEnabled());
        EXPECT_TRUE(settings.customExceptionsEnabled());
        EXPECT_FALSE(settings.userPromptEnabled());
        EXPECT_FALSE(settings.nimbusCrashKitEnabled());
        EXPECT_EQ(settings.logBufferSize(), 65536u);
        EXPECT_EQ(settings.errorLogBufferSize(), 65536u);
        EXPECT_EQ(settings.maxCustomExceptions(), 16u);
        EXPECT_EQ(settings.maxCustomKeys(), 16u);
        EXPECT_EQ(settings.betaSuspendDuration().doubleValue(), 3600.0);
        EXPECT_TRUE(settings.shouldPackageReports());
        EXPECT_TRUE(settings.shouldSubmitReports());
        EXPECT_TRUE(settings.canProcessUrgentReports());
        EXPECT_EQ(settings.reportsEndpoint(), CRKSettings::kDefaultReportsEndpoint);
        EXPECT_EQ(settings.betaEndpoint(), CRKSettings::kDefaultBetaEndpoint);
        EXPECT_EQ(settings.interactivePromptTitle(), "Send Crash Report?");
        EXPECT_EQ(settings.interactivePromptMessage(),
                  "Looks like we crashed! Please help us fix the problem by sending a crash report.");
        EXPECT_EQ(settings.interactivePromptCancelTitle(), "Don't Send");
        EXPECT_EQ(settings.interactivePromptSendTitle(), "Send");
        EXPECT_EQ(settings.interactivePromptAlwaysSendTitle(), "Always Send");
    }
}

TEST_F(CRKSettingsTest, DownloadedValuesAreReadWhereTheyStand) {
    useBundle({}, std::nullopt);
    CRKSettings settings(
        Value::Dictionary{{"features", Value::Dictionary{{"collect_reports", false},
                                                         {"collect_logged_exceptions", "NO"},
                                                         {"prompt_enabled", 1},
                                                         {"nimbus_crashkit_enabled", "YES"}}},
                          {"session", Value::Dictionary{{"log_buffer_size", 1024},
                                                        {"max_custom_exception_events", "8"},
                                                        {"max_custom_key_value_pairs", Value::Array{}}}},
                          {"beta", Value::Dictionary{{"update_suspend_duration", 60.5}}},
                          {"prompt", Value::Dictionary{{"title", "From the server"}}}});
    EXPECT_FALSE(settings.crashReportingEnabled());
    EXPECT_FALSE(settings.errorReportingEnabled());
    EXPECT_TRUE(settings.userPromptEnabled());
    EXPECT_TRUE(settings.nimbusCrashKitEnabled());
    EXPECT_EQ(settings.logBufferSize(), 1024u);
    EXPECT_EQ(settings.maxCustomExceptions(), 8u);
    EXPECT_EQ(settings.maxCustomKeys(), 16u);  // a value of no usable kind reads as absent
    EXPECT_EQ(settings.betaSuspendDuration().doubleValue(), 60.5);
    EXPECT_EQ(settings.interactivePromptTitle(), "From the server");
}

TEST_F(CRKSettingsTest, TheEnvironmentWinsOverTheBundleWithALogLine) {
    useBundle({{"CrashKit", Value::Dictionary{{"PackageReports", true},
                                              {"SubmitReports", false},
                                              {"ReportsEndpoint", "https://bundle.example"}}}},
              std::nullopt);
    CRKSettings settings(std::nullopt);
    EXPECT_TRUE(settings.shouldPackageReports());
    EXPECT_FALSE(settings.shouldSubmitReports());
    EXPECT_EQ(settings.reportsEndpoint(), "https://bundle.example");
    EXPECT_TRUE(settings.canProcessUrgentReports());  // not in the bundle: the default

    setenv("CrashKitPackageReports", "NO", 1);
    testsupport::LogCapture log;
    EXPECT_FALSE(settings.shouldPackageReports());
    EXPECT_TRUE(log.contains("[CrashKit:Crash] override: 'PackageReports' => 'NO'"));
}

TEST_F(CRKSettingsTest, TheApplicationsStringsTableWinsOverTheServersText) {
    useBundle({}, Value::Dictionary{{"CrashKitCrashSubmissionSendTitle", "Senden"}});
    CRKSettings settings(Value::Dictionary{
        {"prompt", Value::Dictionary{{"send_button_title", "Send it"}, {"cancel_button_title", "Keep it"}}}});
    EXPECT_EQ(settings.interactivePromptSendTitle(), "Senden");
    EXPECT_EQ(settings.interactivePromptCancelTitle(), "Keep it");
    EXPECT_EQ(settings.interactivePromptAlwaysSendTitle(), "Always Send");
}

// The prompt speaks the language the application shows its interface in, whatever the process locale:
// each text is the one of that language's table, over the server's, in every language of the
// application's bundle.
TEST_F(CRKSettingsTest, ThePromptSpeaksTheInterfacesLanguageInEveryLanguageOfTheBundle) {
    unsetenv("KESTRUNE_BUNDLE_PATH");
    auto& bundle = platform::Bundle::main();
    bundle.reload();
    const CRKSettings served(kServedPrompt);
    const CRKSettings unserved(std::nullopt);

    bundle.setLocalizationFolder(bundle.resourcePath() + "/de.lproj");
    EXPECT_EQ(served.interactivePromptTitle(), "Absturzbericht senden?");
    EXPECT_EQ(served.interactivePromptMessage(),
              "Kestrune wurde unerwartet beendet. Du kannst einen Absturzbericht senden, damit wir das "
              "Problem beheben können.");
    EXPECT_EQ(served.interactivePromptCancelTitle(), "Nicht senden");
    EXPECT_EQ(served.interactivePromptSendTitle(), "Senden");
    EXPECT_EQ(served.interactivePromptAlwaysSendTitle(), "Immer senden");

    size_t languages = 0;
    for (const auto& entry : platform::Files::listDirectory(bundle.resourcePath())) {
        if (entry.size() < 6 || entry.compare(entry.size() - 6, 6, ".lproj") != 0) continue;
        ++languages;
        const std::string folder = bundle.resourcePath() + "/" + entry;
        const auto table = platform::StringsTable::parse(
            platform::Files::read(folder + "/CrashKit.strings").value_or(platform::Data()).toString());
        ASSERT_TRUE(table) << entry;
        bundle.setLocalizationFolder(folder);
        for (const auto& prompt : kPromptTexts) {
            const auto own = table->find(prompt.key);
            ASSERT_NE(own, table->end()) << entry << " lacks " << prompt.key;
            EXPECT_EQ((served.*prompt.text)(), own->second) << entry << " " << prompt.key;
            EXPECT_EQ((unserved.*prompt.text)(), own->second) << entry << " " << prompt.key;
        }
    }
    EXPECT_EQ(languages, 14u);
}

// A key the language's table lacks is the server's text, else the kit's own, as without a table: never
// the English table's text under another language.
TEST_F(CRKSettingsTest, AKeyTheLanguagesTableLacksFallsBackAsWithoutATable) {
    useBundle({}, std::nullopt);
    writeLanguageTable("en",
                       "\"CrashKitCrashSubmissionPromptTitle\" = \"Our own title\";\n"
                       "\"CrashKitCrashSubmissionSendTitle\" = \"Report it\";\n");
    writeLanguageTable("de", "\"CrashKitCrashSubmissionSendTitle\" = \"Senden\";\n");
    const CRKSettings served(kServedPrompt);
    const CRKSettings unserved(std::nullopt);
    EXPECT_EQ(served.interactivePromptTitle(), "Our own title");
    EXPECT_EQ(served.interactivePromptMessage(), "Served message");
    EXPECT_EQ(unserved.interactivePromptMessage(),
              "Looks like we crashed! Please help us fix the problem by sending a crash report.");
    EXPECT_EQ(unserved.interactivePromptCancelTitle(), "Don't Send");
    EXPECT_EQ(unserved.interactivePromptSendTitle(), "Report it");

    platform::Bundle::main().setLocalizationFolder(home() + "/bundle/de.lproj");
    EXPECT_EQ(served.interactivePromptTitle(), "Served title");
    EXPECT_EQ(unserved.interactivePromptTitle(), "Send Crash Report?");
    EXPECT_EQ(unserved.interactivePromptSendTitle(), "Senden");
    EXPECT_EQ(unserved.interactivePromptAlwaysSendTitle(), "Always Send");
}

}  // namespace
