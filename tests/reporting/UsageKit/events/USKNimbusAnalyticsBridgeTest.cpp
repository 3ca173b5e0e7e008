#include "platform/base/DecimalNumber.h"
#include "platform/base/Strings.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/events/USKStubsForNMBAnalytics.h"
#include "tests/reporting/UsageKit/UsageKitTestSupport.h"

using platform::Value;
using reporting::USKNimbusAnalyticsBridge;
using reporting::USKPredefinedEvent;

namespace {

struct Sent {
    std::string origin, name;
    Value::Dictionary parameters;
};

class FakeNimbusAnalytics : public reporting::NMBAnalyticsInterface {
public:
    void logInternalEventWithOrigin_name_parameters(const std::string& origin, const std::string& name,
                                                    const Value::Dictionary& parameters) override {
        sent.push_back({origin, name, parameters});
    }
    std::vector<Sent> sent;
};

class USKNimbusBridgeTest : public usktest::UsageKitTest {
protected:
    void SetUp() override {
        UsageKitTest::SetUp();
        fake = std::make_shared<FakeNimbusAnalytics>();
        reporting::USKRegisterNimbusAnalyticsClass(fake);
    }
    std::shared_ptr<FakeNimbusAnalytics> fake;
};

TEST_F(USKNimbusBridgeTest, WithoutTheOutsideClassNothingIsSentOrLogged) {
    reporting::USKRegisterNimbusAnalyticsClass(nullptr);
    testsupport::LogCapture log;
    USKNimbusAnalyticsBridge bridge;
    bridge.logEvent(std::make_shared<reporting::USKCustomEvent>("x", std::nullopt));
    EXPECT_TRUE(fake->sent.empty());
    EXPECT_TRUE(log.lines().empty());
}

// The stub warns whatever the debug mode, and is never taken for the outside component.
TEST_F(USKNimbusBridgeTest, TheStubOnlyWarnsAndIsNeverTakenForTheOutsideClass) {
    reporting::USKRegisterNimbusAnalyticsClass(nullptr);
    reporting::USKLogger::sharedLogger().setDebugMode(false);
    testsupport::LogCapture log;
    reporting::USKStubsForNMBAnalytics::logInternalEventWithOrigin_name_parameters("rkt", "login", {});
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Stub only. Do not use."});
    EXPECT_FALSE(USKNimbusAnalyticsBridge().hasNimbusAnalytics());
}

TEST_F(USKNimbusBridgeTest, PredefinedEventsAreRenamedAndTheirParametersMapped) {
    USKNimbusAnalyticsBridge bridge;
    auto price = platform::DecimalNumber::fromString("9.99");
    const Value::Dictionary custom{{"session_start", Value("s")}, {"item_id", Value("custom loses")}};
    bridge.logEvent(
        USKPredefinedEvent::purchaseEventWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
            price, Value("EUR"), Value(true), Value("hat"), Value("wear"), Value("42"), custom));
    bridge.logEvent(
        USKPredefinedEvent::purchaseEventWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
            price, Value("EUR"), Value(false), Value("hat"), Value(), Value(),
            Value::Dictionary{{"a", Value(1)}}));
    bridge.logEvent(
        USKPredefinedEvent::addToCartEventWithPrice_currency_itemName_itemType_itemId_customAttributes(
            price, Value("EUR"), Value(), Value(), Value(), std::nullopt));
    bridge.logEvent(USKPredefinedEvent::levelEndEventWithLevelName_score_success_customAttributes(
        Value("one"), Value(5), Value(true), std::nullopt));
    bridge.logEvent(USKPredefinedEvent::contentViewEventWithName_contentType_contentId_customAttributes(
        Value("n"), Value("t"), Value("i"), std::nullopt));
    ASSERT_EQ(fake->sent.size(), 6u);
    for (const auto& s : fake->sent) EXPECT_EQ(s.origin, "rkt");

    EXPECT_EQ(fake->sent[0].name, "ecommerce_purchase");
    EXPECT_EQ(fake->sent[0].parameters, (Value::Dictionary{{"currency", Value("EUR")},
                                                           {"value", Value(9.99)},
                                                           {"item_category", Value("wear")},
                                                           {"item_id", Value("42")},
                                                           {"item_name", Value("hat")},
                                                           {"reportKit_session_start", Value("s")}}));
    EXPECT_EQ(fake->sent[1].name, "failed_ecommerce_purchase");
    EXPECT_EQ(fake->sent[1].parameters, (Value::Dictionary{{"a", Value(1)}}));
    EXPECT_EQ(fake->sent[2].name, "add_to_cart");
    EXPECT_EQ(fake->sent[2].parameters, (Value::Dictionary{{"currency", Value("EUR")},
                                                           {"price", Value(9.99)},
                                                           {"value", Value(9.99)},
                                                           {"quantity", Value(1)}}));
    EXPECT_EQ(fake->sent[3].name, "level_end");
    EXPECT_EQ(fake->sent[4].name, "post_score");
    EXPECT_EQ(fake->sent[4].parameters, fake->sent[3].parameters);
    EXPECT_EQ(fake->sent[3].parameters,
              (Value::Dictionary{{"level_name", Value("one")}, {"score", Value(5)}, {"success", Value(1)}}));
    EXPECT_EQ(fake->sent[5].name, "select_content");
    EXPECT_EQ(fake->sent[5].parameters,
              (Value::Dictionary{
                  {"content_type", Value("t")}, {"item_id", Value("i")}, {"item_name", Value("n")}}));
}

TEST_F(USKNimbusBridgeTest, NamesAreCleanedPrefixedAndCut) {
    const std::pair<std::string, std::string> events[] = {
        {"1st try!", "reportKit_1st_try_"},
        {"ok name", "ok_name"},
        {"a--__b", "a___b"},
        {"nimbus_x", "reportKit_nimbus_x"},
        {"ga_x", "reportKit_ga_x"},
        {"cloud_x", "reportKit_cloud_x"},
        {"gizmo_x", "gizmo_x"},  // not reserved by this kit
        {"first_open", "reportKit_first_open"},
        {"\xC3\xA9t\xC3\xA9 \xD9\xA3", "\xC3\xA9t\xC3\xA9_\xD9\xA3"},  // Latin letters, an Arabic-Indic digit
        {"\xCC\x81x", "reportKit__x"},                                 // a combining mark is no letter
        {"", "reportKit_unnamed_event"},
        {std::string(50, 'a'), std::string(40, 'a')},
        {std::string(39, 'a') + "\xF0\x9D\x90\x80",
         std::string(39, 'a')},  // the pair would be units 40 and 41
    };
    for (const auto& [given, sent] : events)
        EXPECT_EQ(USKNimbusAnalyticsBridge::sanitizeEventName(given), sent) << given;
    EXPECT_EQ(USKNimbusAnalyticsBridge::sanitizeAttributeName(""), "reportKit_unnamed_parameter");
    EXPECT_EQ(USKNimbusAnalyticsBridge::nimbusReservedKeys().size(), 26u);

    USKNimbusAnalyticsBridge bridge;
    bridge.logEvent(std::make_shared<reporting::USKCustomEvent>(
        "1st try!", Value::Dictionary{{"session_start", Value(1)}, {"ok", Value("v")}}));
    ASSERT_EQ(fake->sent.size(), 1u);
    EXPECT_EQ(fake->sent[0].name, "reportKit_1st_try_");
    EXPECT_EQ(fake->sent[0].parameters,
              (Value::Dictionary{{"reportKit_session_start", Value(1)}, {"ok", Value("v")}}));
}

}  // namespace
