#include "reporting/crash/upload/CRKNCRAnalytics.h"

#include "platform/storage/ClassRegistry.h"
#include "reporting/core/ReportKit.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;

// The outside analytics component, as a test stands it in.
class FakeAnalytics : public CRKNMBAnalyticsClass {
public:
    std::string className() const override { return "NMBAnalytics"; }
    void logInternalEventWithOrigin_name_parameters(const std::string& origin, const std::string& name,
                                                    const platform::Value::Dictionary& parameters) override {
        events.push_back({origin, name, parameters});
    }
    void addLogEventListener(CRKNMBAEventListener listener) override {
        listeners.push_back(std::move(listener));
    }

    struct Event {
        std::string origin, name;
        platform::Value::Dictionary parameters;
    };
    std::vector<Event> events;
    std::vector<CRKNMBAEventListener> listeners;
};

class CRKNCRAnalyticsTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        CRKNCRAnalytics::resetForTesting();
        ReportKit::resetSharedForTesting();
    }
    void TearDown() override {
        platform::ClassRegistry::shared().registerClass("NMBAnalytics", [] { return nullptr; });
        CRKNCRAnalytics::resetForTesting();
        KestruneTest::TearDown();
    }
    std::shared_ptr<FakeAnalytics> install() {
        auto fake = std::make_shared<FakeAnalytics>();
        platform::ClassRegistry::shared().registerClass("NMBAnalytics", [fake] { return fake; });
        return fake;
    }
};

TEST_F(CRKNCRAnalyticsTest, WithoutTheComponentNothingHappens) {
    ReportKit::sharedSDK();  // made before the capture: its own start-up lines are not the bridge's
    testsupport::LogCapture log;
    CRKNCRAnalytics::logCrashWithTimeStamp_nimbusCrashKitEnabled(1700000000.25, false);
    CRKNCRAnalytics::logCrashWithTimeStamp_nimbusCrashKitEnabled(1700000000.25, true);
    bool heard = false;
    CRKNCRAnalytics::registerAnalyticsEventListener([&](const CRKNMBAEvent&) { heard = true; });
    EXPECT_FALSE(CRKNCRAnalytics::analyticsClass());
    EXPECT_FALSE(heard);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(CRKNCRAnalyticsTest, ACrashIsSentInMillisecondsWhenTheFlagIsSet) {
    auto fake = install();
    CRKNCRAnalytics::logCrashWithTimeStamp_nimbusCrashKitEnabled(1700000000.25,
                                                                 false);  // flag off, no Nimbus mode
    EXPECT_TRUE(fake->events.empty());
    CRKNCRAnalytics::logCrashWithTimeStamp_nimbusCrashKitEnabled(1700000000.25, true);
    ASSERT_EQ(fake->events.size(), 1u);
    EXPECT_EQ(fake->events[0].origin, "clx");
    EXPECT_EQ(fake->events[0].name, "_ae");
    EXPECT_EQ(platform::Value(fake->events[0].parameters),
              platform::Value(
                  platform::Value::Dictionary{{"timestamp", 1700000000250LL}, {"_r", 1}, {"fatal", 1}}));

    CRKNCRAnalytics::registerAnalyticsEventListener([](const CRKNMBAEvent&) {});
    EXPECT_EQ(fake->listeners.size(), 1u);
}

TEST_F(CRKNCRAnalyticsTest, EventsConvertToJSONWithoutValuesOfUnknownType) {
    CRKNMBAEvent event;
    event.name = "purchase";
    event.parameters["price"] = {0, 9.5, 0, ""};
    event.parameters["count"] = {1, 0, 3, ""};
    event.parameters["item"] = {2, 0, 0, "book \"one\""};
    event.parameters["strange"] = {3, 1, 1, "x"};
    EXPECT_EQ(CRKNMBAEventDictionaryToJSON(CRKNMBAEventToDictionary(event)),
              R"({"name":"purchase","parameters":{"count":3,"item":"book \"one\"","price":9.5}})");

    CRKNMBAEvent unnamed;
    EXPECT_FALSE(CRKNMBAEventToDictionary(unnamed));
    EXPECT_FALSE(CRKNMBAEventDictionaryToJSON(std::nullopt));
    // A value JSON cannot carry is refused rather than written half.
    EXPECT_FALSE(CRKNMBAEventDictionaryToJSON(
        platform::Value::Dictionary{{"bytes", platform::Data::fromString("x")}}));
    EXPECT_FALSE(
        CRKNMBAEventDictionaryToJSON(platform::Value::Dictionary{{"text", std::string("\xff\xfe")}}));
}

}  // namespace
