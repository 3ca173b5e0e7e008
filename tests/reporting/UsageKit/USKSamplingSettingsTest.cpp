#include "reporting/UsageKit/USKSettings.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/events/USKEventFilter.h"
#include "reporting/UsageKit/events/USKJSON.h"
#include "reporting/UsageKit/events/USKMetadata.h"
#include "tests/reporting/UsageKit/UsageKitTestSupport.h"

using platform::Value;
using reporting::USKEventFilter;
using reporting::USKMetadata;
using reporting::USKSettings;

namespace {

class USKSamplingTest : public usktest::UsageKitTest {};

TEST_F(USKSamplingTest, TheStringHashWrapsIn32BitsOverUTF16Units) {
    const std::pair<const char*, int32_t> cases[] = {
        {"", 0},
        {"abc", 96354},
        {"polygenelubricants", std::numeric_limits<int32_t>::min()},  // wraps exactly to the minimum
        {"\xF0\x9F\x98\x80", 1772899},                                // the pair's two units: 0xD83D, 0xDE00
    };
    for (const auto& [text, hash] : cases)
        EXPECT_EQ(USKEventFilter::javaHashCodeForString(text), hash) << text;
}

TEST_F(USKSamplingTest, FactorsKeepOneInstallationInFactorAndNeverTouchOtherKinds) {
    USKEventFilter filter;
    // Identifiers chosen by their hash: a multiple of 10, a negative multiple of 10, a negative other.
    std::string multiple, negativeMultiple, negativeOther;
    for (int i = 0; multiple.empty() || negativeMultiple.empty() || negativeOther.empty(); ++i) {
        const std::string id = "install-" + std::to_string(i);
        const int32_t h = USKEventFilter::javaHashCodeForString(id);
        if (h > 0 && h % 10 == 0 && multiple.empty()) multiple = id;
        if (h < 0 && h % 10 == 0 && negativeMultiple.empty()) negativeMultiple = id;
        if (h < 0 && h % 10 != 0 && negativeOther.empty()) negativeOther = id;
    }
    auto launch = reporting::USKLifecycleEvent::appLaunchedEvent();
    auto install = reporting::USKLifecycleEvent::installEvent();
    reporting::USKCustomEvent custom("c", std::nullopt);
    reporting::USKCrashEvent crash(platform::Date::now(), 0);
    struct Case {
        const reporting::USKEvent* event;
        std::optional<std::string> beta;
        std::optional<std::string> installation;
        int64_t factor;
        bool discard;
    };
    const Case cases[] = {
        {nullptr, std::nullopt, multiple, 1, true},
        {launch.get(), std::nullopt, negativeOther, 0, false},
        {launch.get(), std::nullopt, negativeOther, 1, false},
        {launch.get(), std::nullopt, negativeOther, -10, false},
        {launch.get(), std::nullopt, multiple, 10, false},
        {launch.get(), std::nullopt, negativeMultiple, 10, false},
        {launch.get(), std::nullopt, negativeOther, 10, true},
        {&crash, std::nullopt, negativeOther, 10, true},
        {launch.get(), std::string("tester"), negativeOther, 10, false},
        {launch.get(), std::nullopt, std::nullopt, 10, false},
        {install.get(), std::nullopt, negativeOther, 10, false},
        {&custom, std::nullopt, negativeOther, 10, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(filter.shouldDiscardEvent_betaToken_installationID_withFactor(c.event, c.beta,
                                                                                c.installation, c.factor),
                  c.discard)
            << "case " << i;
    }
}

TEST_F(USKSamplingTest, OnlyATokenOfVersionTwoWithExactlyOneColonCarriesABetaToken) {
    const std::pair<std::optional<std::string>, std::optional<std::string>> cases[] = {
        {"2:abc", "abc"},        {"3:abc", std::nullopt},      {"abc", std::nullopt},
        {"2:a:b", std::nullopt}, {std::nullopt, std::nullopt}, {"2:", ""},
    };
    for (const auto& [given, token] : cases)
        EXPECT_EQ(USKMetadata::unwrapBetaToken(given), token) << given.value_or("nil");
}

TEST_F(USKSamplingTest, SettingsAnswerTheirDefaultsWhereKeysAreMissing) {
    USKSettings none(std::nullopt);
    EXPECT_FALSE(none.valid());
    USKSettings noSection(Value::Dictionary{{"app", Value::Dictionary{}}});
    EXPECT_TRUE(noSection.valid());
    for (const USKSettings* s : {&none, &noSection}) {
        EXPECT_EQ(s->usageKitURL(), USKSettings::kDefaultEventsURL);
        EXPECT_TRUE(s->shouldCollectAnalytics());
        EXPECT_TRUE(s->shouldCollectCustomEvents());
        EXPECT_TRUE(s->shouldCollectPredefinedEvents());
        EXPECT_FALSE(s->shouldForwardToNimbusAnalytics());
        EXPECT_FALSE(s->shouldIncludePurchaseEventsInForwardedNimbusEvents());
        EXPECT_EQ(s->maximumPayloadSize(), 8000);
        EXPECT_EQ(s->maxPendingSendFiles(), 100);
        EXPECT_EQ(s->flushInterval(), 0.0);
        EXPECT_EQ(s->samplingRate(), 1);
        EXPECT_EQ(s->defaultUploadTimeout(), 21600.0);
        EXPECT_EQ(s->lowPowerUploadTimeout(), 3600.0);
    }
    USKSettings given(
        Value::Dictionary{{"features", Value::Dictionary{{"collect_analytics", Value(false)}}},
                          {"analytics", Value::Dictionary{{"url", Value("https://example.test/e")},
                                                          {"max_byte_size_per_file", Value(100)},
                                                          {"flush_interval_secs", Value(0)},
                                                          {"sampling_rate", Value(10)},
                                                          {"upload_timeout_secs", Value(5.5)}}}});
    EXPECT_FALSE(given.shouldCollectAnalytics());
    EXPECT_EQ(given.usageKitURL(), "https://example.test/e");
    EXPECT_EQ(given.maximumPayloadSize(), 100);
    EXPECT_EQ(given.flushInterval(), 0.0);
    EXPECT_EQ(given.samplingRate(), 10);
    EXPECT_EQ(given.defaultUploadTimeout(), 5.5);
}

TEST_F(USKSamplingTest, MetadataLeavesOutWhatIsMissingAndRepeatsTheModel) {
    USKMetadata::Fields fields;
    fields.APIKey = "key";
    fields.bundleIdentifier = "io.example.app";
    fields.executionIdentifier = "exec";
    fields.hostModel = "MacBookPro15,1";
    fields.installationId = "install";
    fields.locale = "en_GB";
    fields.numberOfCores = 8;
    fields.OSDisplayVersion = "10.14.6";
    USKMetadata metadata(fields);
    const auto d = *metadata.dictionaryRepresentationWithStartTime(1800000000);
    EXPECT_FALSE(d.count("beta_tester_token"));
    EXPECT_FALSE(d.count("os_build"));
    EXPECT_EQ(d.at("model"), d.at("machine"));
    EXPECT_EQ(
        reporting::USKJSONString(Value(d)),
        "{\"api_key\":\"key\",\"bundle_id\":\"io.example.app\",\"cores\":8,\"generator\":\"UsageKit Mac "
        "SDK\\/1.4.0\",\"install_id\":\"install\",\"jailbroken\":false,\"locale\":\"en_GB\",\"machine\":"
        "\"MacBookPro15,1\",\"model\":\"MacBookPro15,1\",\"os_version\":\"10.14.6\",\"platform\":\"Mac\","
        "\"platform_code\":0,\"session_id\":\"exec\",\"started_at\":1800000000}");
    fields.betaToken = USKMetadata::unwrapBetaToken(std::string("2:tok"));
    EXPECT_EQ(USKMetadata(fields).dictionaryRepresentationWithStartTime(0)->at("beta_tester_token"),
              Value("tok"));

    // From the core: this launch's identifiers.
    auto& kit = reporting::ReportKit::sharedSDK();
    USKMetadata fromCore(kit, std::string("2:x"));
    EXPECT_EQ(fromCore.executionIdentifier(), kit.executionIdentifier());
    EXPECT_EQ(fromCore.installationId(), kit.installID());
    EXPECT_EQ(fromCore.betaToken(), "x");
    EXPECT_EQ(fromCore.platform(), "Mac");
}

}  // namespace
