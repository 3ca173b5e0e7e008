#include <chrono>
#include <set>
#include <thread>

#include "platform/base/Strings.h"
#include "reporting/UsageKit/USKUsageKitController.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/events/USKMetadata.h"
#include "tests/reporting/UsageKit/UsageKitTestSupport.h"
#include "tests/support/LoopbackServer.h"

using platform::Value;

namespace {

class USKEndToEndTest : public usktest::UsageKitTest {};

// Events -> log -> "gz" -> package -> POST, over two launches; the server reads what it got the way
// the service would and finds exactly the events sent, each under the metadata of its launch.
TEST_F(USKEndToEndTest, TheServerGetsExactlyTheEventsSentEachUnderItsLaunchsMetadata) {
    testsupport::LoopbackServer server;
    ASSERT_TRUE(server.start());
    server.setDefaultAnswer({202, {}, "", 0});
    const Value::Dictionary settings{
        {"analytics", Value::Dictionary{{"url", Value(server.url("/spi/v2/events"))},
                                        {"max_byte_size_per_file", Value(700)}}}};
    std::map<std::string, std::string> sessionOf;  // event identifier -> session
    for (int launch = 0; launch < 2; ++launch) {
        reporting::ReportKit::resetSharedForTesting();
        auto controller = reporting::USKUsageKitController::controllerWithBetaToken_rootDirectory(
            std::nullopt, home() + "/root");
        controller->initializeSettingsIfNeededWithReportKitSettings(settings);
        const std::string session = reporting::ReportKit::sharedSDK().executionIdentifier();
        for (int i = 0; i < 25; ++i) {
            auto event = std::make_shared<reporting::USKCustomEvent>(
                "e", Value::Dictionary{
                         {"launch", Value(launch)}, {"i", Value(i)}, {"text", Value("caf\xC3\xA9\ttab")}});
            sessionOf[event->identifier()] = session;
            controller->logEvent(event);
            // The size is judged before queued lines are written: let the writes land now and then.
            if (i % 5 == 4) drain(controller->eventQueue());
        }
        // The launch's own lifecycle events are sent too; the flush event ends the launch's log.
        auto flush = std::make_shared<reporting::USKLifecycleEvent>("app_became_inactive");
        sessionOf[flush->identifier()] = session;
        controller->logEvent(flush);
        drain(controller->eventQueue());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!platform::Files::listDirectory(home() + "/root/events").empty() &&
               std::chrono::steady_clock::now() < deadline) {
            drain(controller->eventQueue());
            std::this_thread::yield();
        }
        for (const auto& name : platform::Files::listDirectory(home() + "/root/events"))
            ADD_FAILURE() << "left in launch " << launch << ": " << name;
    }

    std::map<std::string, std::string> received;  // identifier -> session of the metadata above it
    std::set<std::string> boundaries;
    for (const auto& request : server.requests()) {
        const std::string boundary = usktest::boundaryOf(request.header("Content-Type").value_or(""));
        EXPECT_TRUE(boundaries.insert(boundary).second) << "sent twice: " << boundary;
        const auto package = usktest::readPackage(request.body, boundary);
        ASSERT_TRUE(package);
        EXPECT_EQ(package->fileName, boundary + ".gz");
        const auto& log = package->log;
        ASSERT_FALSE(log.malformed || log.tornLastLine);
        ASSERT_FALSE(log.lines.empty());
        ASSERT_EQ(log.lines[0].type, "metadata");
        const std::string session = *log.lines[0].object.at("session_id").string();
        for (size_t i = 1; i < log.lines.size(); ++i) {
            EXPECT_NE(log.lines[i].type, "metadata");
            const std::string id = *log.lines[i].object.at("eventId").string();
            EXPECT_TRUE(received.emplace(id, session).second) << "twice: " << id;
            if (log.lines[i].type == "custom") {
                EXPECT_EQ(log.lines[i].object.at("custom_attributes")["text"], Value("caf\xC3\xA9\ttab"));
            }
        }
    }
    EXPECT_GT(boundaries.size(), 4u);  // rotated by size, not only by the flush events
    for (const auto& [id, session] : sessionOf) {
        ASSERT_TRUE(received.count(id)) << id;
        EXPECT_EQ(received.at(id), session);
    }
    // Besides the events logged here, only the launches' own lifecycle events arrived.
    size_t extra = 0;
    for (const auto& [id, session] : received) extra += !sessionOf.count(id);
    EXPECT_LE(extra, 3u);  // app_launched twice, app_installed once
}

}  // namespace
