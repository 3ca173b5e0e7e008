#include <cmath>
#include <limits>

#include "platform/base/DecimalNumber.h"
#include "platform/base/Strings.h"
#include "reporting/UsageKit/events/USKAttributeDictionary.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/events/USKJSON.h"
#include "tests/reporting/UsageKit/UsageKitTestSupport.h"

using platform::DecimalNumber;
using platform::Value;
using reporting::USKAttributeDictionary;
using reporting::USKCrashEvent;
using reporting::USKCustomEvent;
using reporting::USKLifecycleEvent;
using reporting::USKPredefinedEvent;

namespace {

class USKAttributeRulesTest : public usktest::UsageKitTest {};

std::string key(int i) {
    return platform::format("k%02d", i);
}

TEST_F(USKAttributeRulesTest, TheTwentyFirstEntryIsKeptAndTheTwentySecondRefusedEvenForAKeyAlreadyPresent) {
    testsupport::LogCapture log;
    USKAttributeDictionary attributes;
    for (int i = 0; i < 21; ++i) attributes.addAttribute_forKey(Value(i), Value(key(i)));
    EXPECT_EQ(attributes.dictionaryRepresentation().size(), 21u);
    attributes.addAttribute_forKey(Value("x"), Value(key(21)));
    attributes.addAttribute_forKey(Value("replaced"), Value(key(0)));
    EXPECT_EQ(attributes.dictionaryRepresentation().size(), 21u);
    EXPECT_EQ(attributes.dictionaryRepresentation().at(key(0)), Value(0));
    EXPECT_TRUE(log.contains("[UsageKit] Maximum number of Event attributes exceeded. Ignoring entry"));

    // The custom and predefined attributes of one event have a limit each.
    Value::Dictionary custom;
    for (int i = 0; i < 22; ++i) custom[key(i)] = Value(i);
    auto event =
        USKPredefinedEvent::loginEventWithMethod_success_customAttributes(Value("pw"), Value(true), custom);
    EXPECT_EQ(event->customAttributes().dictionaryRepresentation().size(), 21u);
    EXPECT_FALSE(event->customAttributes().dictionaryRepresentation().count(key(21)));
    EXPECT_EQ(event->predefinedAttributes().dictionaryRepresentation().size(), 2u);
}

TEST_F(USKAttributeRulesTest, KeysAndTextsAreCutToOneHundredUTF16UnitsWithOneMessageEach) {
    testsupport::LogCapture log;
    USKAttributeDictionary attributes;
    const std::string longKey(150, 'k');
    const std::string longValue(150, 'v');
    attributes.addAttribute_forKey(Value(longValue), Value(longKey));
    ASSERT_EQ(attributes.dictionaryRepresentation().size(), 1u);
    const auto& [k, v] = *attributes.dictionaryRepresentation().begin();
    EXPECT_EQ(k, std::string(100, 'k'));
    EXPECT_EQ(*v.string(), std::string(100, 'v'));
    size_t messages = 0;
    for (const auto& line : log.lines())
        messages += line.find("Truncating to 100 characters.") != std::string::npos;
    EXPECT_EQ(messages, 2u);

    // 99 units then a character outside the basic plane: the pair would be unit 100 and 101.
    const std::string astral = std::string(99, 'a') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(platform::utf16Length(USKAttributeDictionary::truncateString(astral)), 99u);
    // Exactly 100 units stay whole.
    EXPECT_EQ(USKAttributeDictionary::truncateString(std::string(98, 'a') + "\xF0\x9F\x98\x80").size(), 102u);

    // A boolean attribute's long key: cut once, one message.
    testsupport::LogCapture second;
    USKAttributeDictionary booleans;
    booleans.addBooleanAttribute_forKey(Value(true), longKey);
    size_t again = 0;
    for (const auto& line : second.lines()) again += line.find("Truncating") != std::string::npos;
    EXPECT_EQ(again, 1u);
}

TEST_F(USKAttributeRulesTest, ValuesAreSerialisedByKind) {
    struct Case {
        const char* name;
        Value value;
        std::optional<std::string> json;  // none: nothing stored
    };
    const Case cases[] = {
        {"text", Value("abc"), "\"abc\""},
        {"integer", Value(42), "42"},
        {"real", Value(0.5), "0.5"},
        {"NaN is left out without a message", Value(std::numeric_limits<double>::quiet_NaN()), std::nullopt},
        {"decimal NaN", Value(std::make_shared<DecimalNumber>(DecimalNumber::notANumber())), std::nullopt},
        {"bytes are no attribute", Value(platform::Data::fromString("x")), std::nullopt},
        {"a list is no attribute", Value(Value::Array{Value(1)}), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        USKAttributeDictionary attributes;
        attributes.addAttribute_forKey(c.value, Value("key"));
        if (!c.json) {
            EXPECT_TRUE(attributes.dictionaryRepresentation().empty());
            continue;
        }
        EXPECT_EQ(reporting::USKJSONString(attributes.dictionaryRepresentation().at("key")), c.json);
    }
    // A NaN replacing an entry removes it.
    USKAttributeDictionary attributes;
    attributes.addAttribute_forKey(Value(1), Value("n"));
    attributes.addAttribute_forKey(Value(std::nan("")), Value("n"));
    EXPECT_TRUE(attributes.dictionaryRepresentation().empty());
    // A key that is no text is refused with its message.
    testsupport::LogCapture log;
    attributes.addAttribute_forKey(Value(1), Value(7));
    EXPECT_TRUE(log.contains("Event attribute keys must be of type NSString"));
}

TEST_F(USKAttributeRulesTest, SuccessAndPricesFollowTheirOwnReadings) {
    struct Case {
        const char* name;
        Value success;
        std::optional<std::string> stored;
    };
    const Case successes[] = {{"YES", Value(true), "true"},
                              {"NO", Value(false), "false"},
                              {"nil", Value(), std::nullopt},
                              {"number 2", Value(2), "true"}};
    for (const auto& c : successes) {
        SCOPED_TRACE(c.name);
        auto event = USKPredefinedEvent::signUpEventWithMethod_success_customAttributes(Value(), c.success,
                                                                                        std::nullopt);
        const auto& d = event->predefinedAttributes().dictionaryRepresentation();
        if (c.stored) {
            EXPECT_EQ(d.at("success"), Value(*c.stored));
        } else {
            EXPECT_FALSE(d.count("success"));
        }
    }

    struct PriceCase {
        const char* text;
        std::optional<std::string> micros;
    };
    const PriceCase prices[] = {
        {"9.99", "9990000"},
        {"0", "0"},
        {"0.0000001", "0.1"},
        {"-3.5", "-3500000"},
        {"99999999999999999999999999999999999999e121",
         "99999999999999999999999999999999999999" + std::string(127, '0')},
        {"99999999999999999999999999999999999999e122", std::nullopt},  // above the ceiling
    };
    for (const auto& c : prices) {
        SCOPED_TRACE(c.text);
        testsupport::LogCapture log;
        auto event = USKPredefinedEvent::
            purchaseEventWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
                DecimalNumber::fromString(c.text), Value("EUR"), Value(), Value(), Value(), Value(),
                std::nullopt);
        const auto& d = event->predefinedAttributes().dictionaryRepresentation();
        if (c.micros) {
            EXPECT_EQ(reporting::USKJSONString(d.at("item_price")), c.micros);
        } else {
            EXPECT_FALSE(d.count("item_price"));
            EXPECT_TRUE(log.contains("Maximum value for a price attribute exceeded"));
        }
    }
}

TEST_F(USKAttributeRulesTest, EventsCarryTheirKeysAndFlushRules) {
    auto purchase =
        USKPredefinedEvent::purchaseEventWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
            DecimalNumber::fromString("9.99"), Value("EUR"), Value(true), Value("hat"), Value("wear"),
            Value(7), Value::Dictionary{{"c", Value("d")}});
    EXPECT_EQ(reporting::USKJSONString(Value(purchase->dictionaryRepresentation())),
              "{\"custom_attributes\":{\"c\":\"d\"},\"eventId\":\"" + purchase->identifier() +
                  "\",\"predefined_attributes\":{\"currency\":\"EUR\",\"item_id\":7,\"item_name\":\"hat\","
                  "\"item_price\":9990000,\"item_type\":\"wear\",\"success\":\"true\"},\"predefined_type\":"
                  "\"purchase\"}");
    EXPECT_EQ(purchase->identifier().size(), 36u);

    USKCustomEvent custom("c", Value::Dictionary{{"a", Value(1)}});
    EXPECT_EQ(custom.dictionaryRepresentation().at("custom_type"), Value("c"));

    struct Lifecycle {
        const char* notification;
        const char* name;
        bool flush;
    };
    const Lifecycle lifecycle[] = {
        {"NSApplicationWillTerminateNotification", "app_terminated", false},
        {"NSApplicationWillResignActiveNotification", "app_became_inactive", true},
        {"NSApplicationDidBecomeActiveNotification", "app_became_active", true},
        {"SomethingElse", "unknown-notification", false},
    };
    for (const auto& c : lifecycle) {
        platform::Notification notification;
        notification.name = c.notification;
        auto event = USKLifecycleEvent::eventWithNotification(notification);
        EXPECT_EQ(event->name(), c.name);
        EXPECT_EQ(event->triggersFlush(), c.flush) << c.name;
    }
    EXPECT_TRUE(USKLifecycleEvent::installEvent()->triggersFlush());
    EXPECT_FALSE(USKLifecycleEvent::appLaunchedEvent()->triggersFlush());

    const auto crashTime = platform::Date::dateWithTimeIntervalSince1970(1500000000.25);
    for (auto [state, text] :
         {std::pair{0, "unknown"}, {1, "foreground"}, {2, "background"}, {9, "unknown"}}) {
        USKCrashEvent crash(crashTime, state);
        EXPECT_EQ(crash.dictionaryRepresentation().at("crash_state"), Value(text));
        EXPECT_EQ(crash.timestamp(), crashTime);
    }
}

TEST_F(USKAttributeRulesTest, InNimbusModeThePublicOperationsRecordNothingAndSayWhy) {
    reporting::ReportKit::sharedSDK().setInstallationMode(reporting::ReportKit::ConfiguredThroughNimbus);
    testsupport::LogCapture log;
    reporting::UsageKit::logLoginWithMethod_success_customAttributes(Value("a"), Value(true), std::nullopt);
    EXPECT_TRUE(
        log.contains("[UsageKit] logLoginWithMethod:success:customAttributes: is not supported when using "
                     "CrashKit through Nimbus."));
}

}  // namespace
