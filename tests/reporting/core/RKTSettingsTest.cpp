#include "reporting/core/RKTSettings.h"

#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::Value;
using reporting::RKTSettings;

class RKTSettingsTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        saved = platform::Bundle::main().infoDictionary();
        path = home() + "/cache/settings.json";
    }
    void TearDown() override {
        platform::Bundle::main().setInfoDictionaryForTesting(saved);
        KestruneTest::TearDown();
    }
    void write(const std::string& text) {
        ASSERT_TRUE(platform::Files::writeAtomically(path, Data::fromString(text)));
    }

    Value::Dictionary saved;
    std::string path;
};

TEST_F(RKTSettingsTest, TheFileIsReadOnceAndItsAppSectionDecidesOnboarding) {
    write(R"({"app":{"status":"new","update_required":true},"session":{"log_buffer_size":64000},
              "features":{"collect_reports":false},"analytics":{"sampling_rate":0.5,"url":"https://e.test"}})");
    RKTSettings settings(path);
    auto dictionary = settings.settingsDictionary();
    ASSERT_TRUE(dictionary);
    EXPECT_EQ((*dictionary)["session"]["log_buffer_size"], Value(64000));
    EXPECT_EQ((*dictionary)["features"]["collect_reports"], Value(false));
    EXPECT_EQ((*dictionary)["analytics"]["sampling_rate"], Value(0.5));
    EXPECT_TRUE(settings.appNeedsOnboarding());
    EXPECT_TRUE(settings.appUpdateRequired());

    write(R"({"app":{"status":"activated"}})");
    EXPECT_TRUE(settings.appNeedsOnboarding());  // still the cached dictionary
    settings.clearSettingsDictionary();
    EXPECT_FALSE(settings.appNeedsOnboarding());
    EXPECT_FALSE(settings.appUpdateRequired());
    EXPECT_EQ(settings.appStatus(), "activated");
}

TEST_F(RKTSettingsTest, JSONNullReadsAsAbsent) {
    write(R"({"app":null})");
    RKTSettings settings(path);
    EXPECT_FALSE(settings.appSettings());
    EXPECT_FALSE(settings.appNeedsOnboarding());
    EXPECT_FALSE(settings.appUpdateRequired());
    write(R"({"app":{"status":null,"update_required":null}})");
    settings.clearSettingsDictionary();
    EXPECT_TRUE(settings.appSettings());
    EXPECT_FALSE(settings.appStatus());
    EXPECT_FALSE(settings.appUpdateRequired());
}

TEST_F(RKTSettingsTest, AFileThatIsNoSettingsObjectIsRemovedOnTheFirstRead) {
    for (const std::string text : {"not json", "[1,2]", "{\"a\":1} trailing", "{\"s\":\"\xFF\"}"}) {
        write(text);
        testsupport::LogCapture log;
        RKTSettings settings(path);
        EXPECT_FALSE(settings.settingsDictionary()) << text;
        EXPECT_FALSE(platform::Files::exists(path)) << text;
        EXPECT_TRUE(log.contains("[ReportKit] Could not load settings with error: ")) << text;
    }
    RKTSettings missing(home() + "/none.json");
    EXPECT_FALSE(missing.settingsDictionary());
}

TEST_F(RKTSettingsTest, DeepNestingIsRefusedBeforeATreeIsBuilt) {
    std::string deep(100000, '[');
    deep = "{\"a\":" + deep + std::string(100000, ']') + "}";
    std::string error;
    EXPECT_FALSE(RKTSettings::dictionaryFromJSONData(Data::fromString(deep), &error));
    EXPECT_NE(error.find("nested deeper"), std::string::npos);
    std::string shallow = "{\"a\":" + std::string(60, '[') + std::string(60, ']') + "}";
    EXPECT_TRUE(RKTSettings::dictionaryFromJSONData(Data::fromString(shallow)));
    EXPECT_FALSE(RKTSettings::dictionaryFromJSONData(Data()));
}

TEST_F(RKTSettingsTest, TheSettingsAddressCarriesTheApplicationFacts) {
    platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleIdentifier", "com.example/tool"},
                                                          {"CFBundleVersion", "12"},
                                                          {"CFBundleShortVersionString", "1.2"},
                                                          {"CrashKitSignedForDistribution", true}});
    RKTSettings settings(path);
    EXPECT_EQ(settings.settingsURLForEndpoint_appInstanceIdentifer("https://s.test", std::string("I")),
              "https://s.test/spi/v2/platforms/mac/apps/com.example_tool/"
              "settings?build_version=12&display_version=1.2"
              "&instance=I&source=3");
    platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleIdentifier", "com.example"}});
    EXPECT_EQ(settings.settingsURLForEndpoint_appInstanceIdentifer("http://127.0.0.1:9", std::nullopt),
              "http://127.0.0.1:9/spi/v2/platforms/mac/apps/com.example/settings?source=1");
    EXPECT_FALSE(settings.settingsURLForEndpoint_appInstanceIdentifer("https://bad host", std::nullopt));
}
