#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/base/Strings.h"
#include "reporting/UsageKit/USKSettings.h"
#include "reporting/UsageKit/USKUsageKitController.h"
#include "reporting/UsageKit/events/USKCrashMetadata.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/events/USKJSON.h"
#include "reporting/UsageKit/events/USKMetadata.h"
#include "reporting/UsageKit/events/USKTimer.h"
#include "reporting/UsageKit/log/USKFileUtils.h"
#include "tests/reporting/UsageKit/UsageKitTestSupport.h"
#include "tests/support/LoopbackServer.h"

using platform::Value;
using reporting::USKUsageKitController;

namespace {

class USKControllerTest : public usktest::UsageKitTest {
protected:
    void TearDown() override {
        if (controller) drain(controller->eventQueue());
        controller.reset();
        UsageKitTest::TearDown();
    }
    void start(std::optional<Value::Dictionary> settings = std::nullopt) {
        notFirstLaunch();
        controller =
            USKUsageKitController::controllerWithBetaToken_rootDirectory(std::nullopt, home() + "/root");
        if (settings) controller->initializeSettingsIfNeededWithReportKitSettings(settings);
        settle();
    }
    void settle() { drain(controller->eventQueue()); }
    // For answers that arrive over a socket: settles until the condition holds (bounded, real time).
    template <typename Condition>
    bool settleUntil(Condition condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < deadline) {
            settle();
            if (condition()) return true;
            std::this_thread::yield();
        }
        return false;
    }
    std::string events() const { return home() + "/root/events"; }
    // Every package in the folder, read as the service would: boundary -> lines.
    std::map<std::string, usktest::ParsedLog> packages() const {
        std::map<std::string, usktest::ParsedLog> out;
        for (const auto& path : usktest::filesWithExtension(events(), "multipartmime")) {
            const std::string boundary = platform::Files::lastPathComponent(path).substr(0, 36);
            const auto package = usktest::readPackage(usktest::readText(path), boundary);
            EXPECT_TRUE(package) << path;
            if (package) out[boundary] = package->log;
        }
        return out;
    }
    void log(const std::shared_ptr<reporting::USKEvent>& event) { controller->logEvent(event); }
    static std::shared_ptr<reporting::USKCustomEvent> custom(const std::string& name) {
        return std::make_shared<reporting::USKCustomEvent>(name, Value::Dictionary{{"n", Value(1)}});
    }
    // Grows the current log to exactly `size` bytes.
    void padCurrentLog(size_t size) {
        const std::string path = controller->currentLogURL();
        const size_t have = platform::Files::fileSize(path).value_or(0);
        ASSERT_LE(have, size);
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0600);
        // A line of its own, so that the log still reads line by line.
        std::string padding;
        for (size_t k = 0; padding.size() < size - have; ++k) {
            const std::string json = "{\"p\":\"" + std::string(k, 'p') + "\"}";
            padding = "1\tpadding\t" + std::to_string(json.size()) + "\t" + json + "\n";
        }
        ASSERT_EQ(padding.size(), size - have);
        ASSERT_EQ(::write(fd, padding.data(), padding.size()), static_cast<ssize_t>(padding.size()));
        ::close(fd);
    }
    std::shared_ptr<USKUsageKitController> controller;
};

TEST_F(USKControllerTest, AFreshLogStartsWithTheMetadataLineThenOneLinePerEvent) {
    start();
    auto event = custom("golden");
    log(event);
    settle();
    const auto parsed = usktest::parseLog(usktest::readText(controller->currentLogURL()));
    ASSERT_FALSE(parsed.malformed || parsed.tornLastLine);
    ASSERT_EQ(parsed.lines.size(), 3u);  // metadata, app_launched, golden
    const auto metadata = *controller->metadata()->dictionaryRepresentationWithStartTime(1800000000);
    EXPECT_EQ(parsed.lines[0].milliseconds, 1800000000000ull);
    EXPECT_EQ(parsed.lines[0].type, "metadata");
    EXPECT_EQ(parsed.lines[0].json, reporting::USKJSONString(Value(metadata)));
    EXPECT_EQ(parsed.lines[0].length, parsed.lines[0].json.size());
    EXPECT_EQ(parsed.lines[1].type, "app_launched");
    const std::string json = "{\"custom_attributes\":{\"n\":1},\"custom_type\":\"golden\",\"eventId\":\"" +
                             event->identifier() + "\"}";
    EXPECT_EQ(parsed.lines[2].milliseconds, 1800000000000ull);
    EXPECT_EQ(parsed.lines[2].type, "custom");
    EXPECT_EQ(parsed.lines[2].length, json.size());
    EXPECT_EQ(parsed.lines[2].json, json);
    EXPECT_TRUE(
        platform::hasSuffix(usktest::readText(controller->currentLogURL()),
                            platform::format("1800000000000\tcustom\t%zu\t", json.size()) + json + "\n"));
}

TEST_F(USKControllerTest, ALogAboveTheLimitIsRotatedByTheNextEventWhichStillGoesToIt) {
    start();
    padCurrentLog(8000);
    auto atLimit = custom("at-limit");
    log(atLimit);
    settle();
    EXPECT_TRUE(packages().empty());  // 8000 bytes is not above the limit

    const std::string oldLog = controller->currentLogURL();
    ASSERT_GT(platform::Files::fileSize(oldLog).value_or(0), 8000u);
    auto rotating = custom("rotating");
    log(rotating);
    auto next = custom("next");
    log(next);
    settle();
    EXPECT_NE(controller->currentLogURL(), oldLog);
    EXPECT_FALSE(platform::Files::exists(oldLog));
    auto sent = packages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent.begin()->first, reporting::USKFileUtils::baseName(oldLog));  // named after its log
    const auto& last = sent.begin()->second.lines.back();
    EXPECT_EQ(last.object.at("eventId"), Value(rotating->identifier()));
    const auto current = usktest::parseLog(usktest::readText(controller->currentLogURL()));
    ASSERT_EQ(current.lines.size(), 2u);
    EXPECT_EQ(current.lines[0].type, "metadata");
    EXPECT_EQ(current.lines[1].object.at("eventId"), Value(next->identifier()));
}

TEST_F(USKControllerTest, ALogWhoseCompressionFailsIsKeptForALaterRun) {
    start();
    const std::string oldLog = controller->currentLogURL();
    // The compressed copy cannot be written: a folder stands where its temporary file would go.
    const std::string blocked = reporting::USKFileUtils::replacingExtension(oldLog, "gz") + ".tmp";
    ASSERT_TRUE(platform::Files::createDirectories(blocked, 0700));
    padCurrentLog(8001);
    log(custom("rotating"));
    settle();
    EXPECT_NE(controller->currentLogURL(), oldLog);
    EXPECT_TRUE(packages().empty());
    ASSERT_TRUE(platform::Files::exists(oldLog));
    const auto kept = usktest::parseLog(usktest::readText(oldLog));
    ASSERT_FALSE(kept.lines.empty());
    EXPECT_EQ(kept.lines.back().type, "custom");
}

TEST_F(USKControllerTest, FlushEventsRotateASmallLogAndTheTimerOnlyALargeOne) {
    testsupport::LoopbackServer server;
    ASSERT_TRUE(server.start());
    server.setDefaultAnswer({202, {}, "", 0});
    start(Value::Dictionary{{"analytics", Value::Dictionary{{"url", Value(server.url("/spi/v2/events"))},
                                                            {"flush_interval_secs", Value(60)},
                                                            {"max_byte_size_per_file", Value(1000)}}}});
    ASSERT_TRUE(controller->flushTimer());
    EXPECT_EQ(controller->flushTimer()->tolerance(), 6.0);
    const size_t before = server.requestCount();
    log(std::make_shared<reporting::USKLifecycleEvent>("app_became_active"));
    settle();
    ASSERT_TRUE(server.waitForRequests(before + 1));

    log(custom("small"));
    settle();
    const std::string small = controller->currentLogURL();
    advance(60);
    settle();
    EXPECT_EQ(controller->currentLogURL(), small);  // not above the limit: the tick does nothing
    padCurrentLog(1001);
    advance(60);
    settle();
    EXPECT_NE(controller->currentLogURL(), small);
    ASSERT_TRUE(server.waitForRequests(before + 2));
    EXPECT_TRUE(settleUntil([&] { return usktest::filesWithExtension(events(), "multipartmime").empty(); }));
}

TEST_F(USKControllerTest, WithoutAFlushIntervalThereIsNoTimer) {
    start(Value::Dictionary{{"analytics", Value::Dictionary{{"flush_interval_secs", Value(0)}}}});
    EXPECT_FALSE(controller->flushTimer());
}

TEST_F(USKControllerTest, TheCrashEventTravelsAloneUnderThePreviousLaunchsMetadata) {
    // A first launch leaves its metadata for the next.
    start();
    const std::string firstSession = controller->metadata()->executionIdentifier();
    settle();
    controller.reset();
    reporting::ReportKit::resetSharedForTesting();

    // The second launch learns of the crash at once, before its launch event has been written.
    controller = USKUsageKitController::controllerWithBetaToken_rootDirectory(std::nullopt, home() + "/root");
    auto crash = std::make_shared<reporting::USKCrashEvent>(
        platform::Date::dateWithTimeIntervalSince1970(1700000000), 0);
    controller->logCrashEvent(crash);
    settle();
    bool found = false;
    for (const auto& [boundary, parsed] : packages()) {
        bool hasCrash = false;
        for (const auto& line : parsed.lines) hasCrash |= line.type == "app_crashed";
        if (!hasCrash) continue;
        found = true;
        ASSERT_EQ(parsed.lines.size(), 2u);
        EXPECT_EQ(parsed.lines[0].type, "metadata");
        EXPECT_EQ(parsed.lines[0].object.at("session_id"), Value(firstSession));
        EXPECT_EQ(parsed.lines[1].milliseconds, 1700000000000ull);
        EXPECT_EQ(parsed.lines[1].object.at("crash_state"), Value("unknown"));
    }
    EXPECT_TRUE(found);

    // Later in the run, with the launch log on disk: rotated first too.
    log(custom("after"));
    settle();
    const std::string current = controller->currentLogURL();
    controller->logCrashEvent(crash);
    settle();
    EXPECT_FALSE(platform::Files::exists(current));
    size_t crashes = 0;
    for (const auto& [boundary, parsed] : packages())
        for (const auto& line : parsed.lines)
            if (line.type == "app_crashed") {
                ++crashes;
                EXPECT_EQ(parsed.lines.size(), 2u);
            }
    EXPECT_EQ(crashes, 2u);

    // Without a current log: written to a fresh log, rotated right after, one package more.
    const size_t count = packages().size();
    controller->logCrashEvent(crash);
    settle();
    EXPECT_EQ(packages().size(), count + 1);
}

TEST_F(USKControllerTest, CollectionOffEmptiesTheFolderAndASecondSettingsChangesNothing) {
    start();
    log(std::make_shared<reporting::USKLifecycleEvent>("app_became_active"));
    log(custom("kept"));
    settle();
    EXPECT_FALSE(platform::Files::listDirectory(events()).empty());

    // Valid settings first: a later "off" is ignored.
    controller->initializeSettingsIfNeededWithReportKitSettings(
        Value::Dictionary{{"app", Value::Dictionary{}}});
    controller->initializeSettingsIfNeededWithReportKitSettings(
        Value::Dictionary{{"features", Value::Dictionary{{"collect_analytics", Value(false)}}}});
    settle();
    EXPECT_TRUE(controller->settings()->shouldCollectAnalytics());
    controller.reset();
    reporting::ReportKit::resetSharedForTesting();

    start(Value::Dictionary{{"features", Value::Dictionary{{"collect_analytics", Value(false)}}}});
    EXPECT_TRUE(platform::Files::listDirectory(events()).empty());
    log(custom("dropped"));
    settle();
    EXPECT_TRUE(platform::Files::listDirectory(events()).empty());
}

// What reaches the disk is said in the application's log in the kit's debug mode, or while a reader of
// that log asks for it (a scenario's timeline); else nothing is. What does not reach the disk never is.
TEST_F(USKControllerTest, EachEventOnDiskIsSaidInTheLogOnlyWhenAskedAndOnlyThose) {
    struct Case {
        const char* name;
        bool debugMode, asked;
    };
    for (const Case& each : {Case{"neither", false, false}, Case{"debug mode", true, false},
                             Case{"asked by the log's reader", false, true}}) {
        SCOPED_TRACE(each.name);
        reporting::USKLogger::sharedLogger().setDebugMode(each.debugMode);
        USKUsageKitController::setEventsSaidInLog(each.asked);
        testsupport::LogCapture said;
        notFirstLaunch();
        controller = USKUsageKitController::controllerWithBetaToken_rootDirectory(std::nullopt,
                                                                                  home() + "/" + each.name);
        settle();
        log(std::make_shared<reporting::USKLifecycleEvent>("app_became_inactive"));
        settle();
        // The flush began a new log, which is now a folder: the write fails.
        ASSERT_TRUE(platform::Files::createDirectories(controller->currentLogURL()));
        log(custom("lost"));
        settle();
        const bool saying = each.debugMode || each.asked;
        EXPECT_EQ(said.contains("Outcome: analytics event \"app_launched\" recorded"), saying);
        EXPECT_EQ(
            said.contains("Outcome: analytics event \"app_became_inactive\" recorded; the log is flushed"),
            saying);
        EXPECT_FALSE(said.contains("Outcome: analytics event \"custom\""));
        controller.reset();
    }
}

TEST_F(USKControllerTest, OnlyPackageNamesGiveABoundary) {
    EXPECT_EQ(USKUsageKitController::boundaryFromURL("/e/AB.multipartmime"), "AB");
    EXPECT_EQ(USKUsageKitController::boundaryFromURL("/e/AB.gz"), std::nullopt);
    EXPECT_EQ(USKUsageKitController::boundaryFromURL("/e/AB"), std::nullopt);
}

TEST_F(USKControllerTest, ActivitiesAreHeldWhileEventsArePendingAndEndedAfter) {
    start();
    for (int i = 0; i < 5; ++i) log(custom("a"));
    settle();
    auto& activities = platform::ProcessActivities::shared();
    EXPECT_GE(activities.begunActivityCount(), 6u);
    EXPECT_EQ(activities.activeActivityCount(), 0u);
    EXPECT_EQ(activities.suddenTerminationDisableCount(), 0);
    EXPECT_EQ(activities.automaticTerminationDisableCount(), 0);
}

TEST_F(USKControllerTest, PurchasesAreForwardedOnlyWhenBothSettingsAllowIt) {
    struct Fake : reporting::NMBAnalyticsInterface {
        std::vector<std::string> names;
        std::mutex mutex;
        void logInternalEventWithOrigin_name_parameters(const std::string&, const std::string& name,
                                                        const Value::Dictionary&) override {
            std::lock_guard lock(mutex);
            names.push_back(name);
        }
    };
    for (bool includePurchases : {false, true}) {
        SCOPED_TRACE(includePurchases);
        auto fake = std::make_shared<Fake>();
        reporting::USKRegisterNimbusAnalyticsClass(fake);
        reporting::ReportKit::resetSharedForTesting();
        start(Value::Dictionary{
            {"analytics",
             Value::Dictionary{{"forward_to_nimbus_analytics", Value(true)},
                               {"include_purchase_events_in_forwarded_events", Value(includePurchases)}}}});
        log(reporting::USKPredefinedEvent::
                purchaseEventWithPrice_currency_success_itemName_itemType_itemId_customAttributes(
                    platform::DecimalNumber::fromString("1"), Value("EUR"), Value(true), Value(), Value(),
                    Value(), std::nullopt));
        log(reporting::USKPredefinedEvent::searchEventWithQuery_customAttributes(Value("q"), std::nullopt));
        settle();
        EXPECT_EQ(fake->names, includePurchases ? (std::vector<std::string>{"ecommerce_purchase", "search"})
                                                : (std::vector<std::string>{"search"}));
        controller.reset();
    }
}

}  // namespace

namespace {

class UsageKitFacadeTest : public usktest::UsageKitTest {};

TEST_F(UsageKitFacadeTest, TheKitStartsOnceAndHandsEachCallToItsControllerAsOneEvent) {
    notFirstLaunch();
    reporting::UsageKit::logCustomEventWithName_customAttributes("before start", std::nullopt);  // dropped
    EXPECT_FALSE(reporting::UsageKit::sharedInstance().usageKitController());
    reporting::UsageKit::startWithBetaToken(std::string("2:beta"));
    auto controller = reporting::UsageKit::sharedInstance().usageKitController();
    ASSERT_TRUE(controller);
    reporting::UsageKit::startWithBetaToken(std::nullopt);
    EXPECT_EQ(reporting::UsageKit::sharedInstance().usageKitController(), controller);
    EXPECT_EQ(reporting::UsageKit::sharedInstance().bundleIdentifier(), "io.reportkit.usagekit.mac");

    reporting::UsageKit::logPreviousSessionCrashedOnDate(std::nullopt);
    reporting::UsageKit::logSearchWithQuery_customAttributes(Value("q"), std::nullopt);
    drain(controller->eventQueue());
    EXPECT_EQ(controller->metadata()->betaToken(), "beta");
    const auto current = usktest::parseLog(usktest::readText(controller->currentLogURL()));
    ASSERT_EQ(current.lines.size(), 3u);  // metadata, app_launched, search
    EXPECT_EQ(current.lines[2].object.at("predefined_type"), Value("search"));

    reporting::UsageKit::logPreviousSessionCrashedOnDate(
        platform::Date::dateWithTimeIntervalSince1970(1700000000));
    drain(controller->eventQueue());
    EXPECT_FALSE(platform::Files::exists(controller->currentLogURL()));  // rotated before and after the crash
    EXPECT_EQ(usktest::filesWithExtension(USKUsageKitController::eventDirectoryForRootDirectory(
                                              USKUsageKitController::rootDirectory()),
                                          "multipartmime")
                  .size(),
              2u);
}

}  // namespace
