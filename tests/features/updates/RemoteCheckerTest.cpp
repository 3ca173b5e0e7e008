#include "features/updates/RemoteChecker.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "app/support/KSUrlManager.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/evidence/SleepDurationTracker.h"
#include "platform/storage/PropertyList.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/SettableReachability.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Value;

namespace {

std::string plist(const Value& value, platform::PropertyList::Format format) {
    auto data = platform::PropertyList::dataFromValue(value, format);
    return data ? std::string(reinterpret_cast<const char*>(data->bytes()), data->size()) : std::string();
}

class RemoteCheckerTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        MacDisplayControl::resetSharedForTesting();
        SleepDurationTracker::resetSharedForTesting();
        reachability = testsupport::SettableReachability::install(platform::kReachabilityReachable);
        ASSERT_TRUE(server.start());
        setenv(KSUrlManager::kConfigEnvironmentVariable, server.url("/config.plist").c_str(), 1);
        server.setDefaultAnswer(document({{"iOSVersion", "3.6.1"}, {"macVersion", "1.2.0"}}));
        observation = platform::NotificationCenter::defaultCenter().addObserver(
            RemoteChecker::kNotificationConfigFetched, nullptr,
            [this](const platform::Notification& note) { announcements.push_back(note.sender); });
    }
    void TearDown() override {
        observation.remove();
        checker.reset();
        runUntilIdle();
        server.stop();
        unsetenv(KSUrlManager::kConfigEnvironmentVariable);
        platform::ReachabilityBackend::install(nullptr);
        MacDisplayControl::resetSharedForTesting();
        SleepDurationTracker::resetSharedForTesting();
        KestruneTest::TearDown();
    }

    static testsupport::LoopbackServer::Answer document(
        Value::Dictionary root, platform::PropertyList::Format format = platform::PropertyList::Format::XML) {
        testsupport::LoopbackServer::Answer answer;
        answer.body = plist(Value(std::move(root)), format);
        return answer;
    }
    static testsupport::LoopbackServer::Answer body(std::string text, int status = 200) {
        testsupport::LoopbackServer::Answer answer;
        answer.body = std::move(text);
        answer.status = status;
        return answer;
    }

    void start() {
        checker = RemoteChecker::create();
        runUntilIdle();
    }
    void setOnline(bool online) {
        reachability->setFlags(online ? uint32_t{platform::kReachabilityReachable} : 0u);
        runUntilIdle();
    }
    void fetchNow() {
        checker->fetchConfigWhenPossible();
        runUntilIdle();
    }

    std::shared_ptr<testsupport::SettableReachability> reachability;
    testsupport::LoopbackServer server;
    std::shared_ptr<RemoteChecker> checker;
    platform::NotificationCenter::Observation observation;
    std::vector<const void*> announcements;
};

}  // namespace

TEST_F(RemoteCheckerTest, XMLAndBinaryDocumentsAreReadAndAMissingVersionIsCleared) {
    start();
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].method, "GET");
    EXPECT_EQ(server.requests()[0].path, "/config.plist");
    EXPECT_EQ(checker->fetchedConfig()->iOSVersion(), std::optional<std::string>("3.6.1"));
    EXPECT_EQ(checker->fetchedConfig()->macVersion(), std::optional<std::string>("1.2.0"));
    EXPECT_TRUE(checker->didFetchConfigAtLeastOnce());
    ASSERT_EQ(announcements.size(), 1u);
    EXPECT_EQ(announcements[0], checker.get());

    server.setDefaultAnswer(
        document({{"iOSVersion", "3.7"}, {"extra", 5}}, platform::PropertyList::Format::Binary));
    advance(1801);
    fetchNow();
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(checker->fetchedConfig()->iOSVersion(), std::optional<std::string>("3.7"));
    EXPECT_EQ(checker->fetchedConfig()->macVersion(), std::nullopt);
    EXPECT_EQ(announcements.size(), 2u);
}

TEST_F(RemoteCheckerTest, BodiesThatAreNoConfigurationChangeNothing) {
    start();
    advance(1801);
    // A failure leaves the spacing alone, so each of these is fetched at once.
    const testsupport::LoopbackServer::Answer refused[] = {
        body("{\"iOSVersion\": \"9.9\", \"macVersion\": \"9.9\"}"),
        body(plist(Value(Value::Array{"iOSVersion", "9.9"}), platform::PropertyList::Format::XML)),
        body(plist(Value(Value::Dictionary{{"iOSVersion", "9.9"}}), platform::PropertyList::Format::XML),
             500),
        body(""),
    };
    size_t expectedRequests = 1;
    for (const auto& answer : refused) {
        server.setDefaultAnswer(answer);
        fetchNow();
        EXPECT_EQ(server.requestCount(), ++expectedRequests);
        EXPECT_EQ(checker->fetchedConfig()->iOSVersion(), std::optional<std::string>("3.6.1"));
        EXPECT_EQ(checker->fetchedConfig()->macVersion(), std::optional<std::string>("1.2.0"));
    }
    EXPECT_EQ(announcements.size(), 1u);

    // A version that is not a text counts as missing.
    server.setDefaultAnswer(document({{"iOSVersion", 4}, {"macVersion", "1.3"}}));
    fetchNow();
    EXPECT_EQ(checker->fetchedConfig()->iOSVersion(), std::nullopt);
    EXPECT_FALSE(checker->didFetchConfigAtLeastOnce());
    EXPECT_EQ(checker->fetchedConfig()->macVersion(), std::optional<std::string>("1.3"));
}

TEST_F(RemoteCheckerTest, RequestsWaitTwentySecondsAndAStallingServerFails) {
    const auto request = RemoteConfigFetch::requestWithURLString("http://127.0.0.1:1/c", 20);
    EXPECT_EQ(request.timeoutInterval(), 20.0);
    EXPECT_EQ(request.cachePolicy(), RemoteConfigFetch::kReloadIgnoringLocalCacheData);
    EXPECT_EQ(request.HTTPMethod(), "GET");

    setOnline(false);
    start();
    EXPECT_EQ(checker->configFetch()->timeoutInterval(), RemoteConfigFetch::kTimeoutInterval);
    // Long enough for a loaded machine to connect and send over loopback, short for a test.
    checker->configFetch()->setTimeoutInterval(1);
    auto stalling =
        body(plist(Value(Value::Dictionary{{"iOSVersion", "9.9"}}), platform::PropertyList::Format::XML));
    stalling.held = true;  // until the test ends: far past the 1 s the fetch waits
    server.setDefaultAnswer(stalling);
    setOnline(true);
    // The fetch has given up by now, but the server may not yet have read what it sent: the count waits
    // for the request itself (a fetch that never sent one fails here).
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_FALSE(checker->didFetchConfigAtLeastOnce());
    EXPECT_TRUE(announcements.empty());
}

TEST_F(RemoteCheckerTest, OfflineAtStartNothingIsFetchedUntilTheInternetReturns) {
    setOnline(false);
    start();
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_FALSE(checker->automaticTrigger()->updateTimerFireDate());  // a refused check arms nothing
    advance(7200);
    EXPECT_EQ(server.requestCount(), 0u);
    setOnline(true);
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(checker->didFetchConfigAtLeastOnce());
}

TEST_F(RemoteCheckerTest, NothingIsFetchedAsleepOrWithinTenSecondsOfALongWake) {
    MacDisplayControl::shared().setMacIsCurrentlySleeping();
    start();
    setOnline(true);
    EXPECT_EQ(server.requestCount(), 0u);

    MacDisplayControl::shared().setMacIsCurrentlyNotSleeping();
    SleepDurationTracker::shared().longSleepWakeTimestamp->eventTriggered();
    advance(5);
    setOnline(true);
    EXPECT_EQ(server.requestCount(), 0u);
    advance(4.99);
    fetchNow();
    EXPECT_EQ(server.requestCount(), 0u);
    advance(0.01);
    setOnline(true);
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(RemoteCheckerTest, TheTimerChecksHourlyOnceAndChecksStayHalfAnHourApart) {
    start();
    ASSERT_EQ(server.requestCount(), 1u);
    // Within the minimal interval after a fetched document, nothing asks again.
    advance(1800);
    fetchNow();
    setOnline(true);
    EXPECT_EQ(server.requestCount(), 1u);
    advance(0.01);
    setOnline(true);
    EXPECT_EQ(server.requestCount(), 2u);

    // The timer runs an hour after the last check, and its second run fetches nothing more.
    const double last = now();
    advance(3599.9);
    EXPECT_EQ(server.requestCount(), 2u);
    advance(0.1);
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 3u);
    EXPECT_NEAR(*checker->automaticTrigger()->updateTimerFireDate() - last, 7200, 1e-3);
}

TEST_F(RemoteCheckerTest, OnlyDottedNumbersAreTakenAsVersionsAndAnyOtherTextIsLoggedAsMissing) {
    // Such a text would compare as newer than any installed version: a warning every day, for good.
    const char* refused[] = {"latest", "1.2.3-beta", "", "1.", ".1", "1..2", " 1.2", "1.2 ", "v1.2", "1,2"};
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        testsupport::LogCapture capture;
        ConfigFile config;
        config.setVersions("1.0", "1.0");
        ASSERT_TRUE(RemoteChecker::readConfiguration(
            Value(Value::Dictionary{{"iOSVersion", text}, {"macVersion", text}}), config));
        EXPECT_EQ(config.iOSVersion(), std::nullopt);
        EXPECT_EQ(config.macVersion(), std::nullopt);
        EXPECT_TRUE(capture.contains("RemoteChecker: the configuration's \"macVersion\" is \"" +
                                     std::string(text) + "\", not dotted numbers; it counts as missing"));
    }
    for (const char* text : {"3", "3.6.1", "10.0.10", "007.1"}) {
        ConfigFile config;
        RemoteChecker::readConfiguration(Value(Value::Dictionary{{"iOSVersion", text}, {"macVersion", text}}),
                                         config);
        EXPECT_EQ(config.iOSVersion(), std::optional<std::string>(text));
        EXPECT_EQ(config.macVersion(), std::optional<std::string>(text));
    }
    // A text from the server reaches the log short and on one line.
    testsupport::LogCapture capture;
    ConfigFile config;
    RemoteChecker::readConfiguration(
        Value(Value::Dictionary{{"macVersion", "1.0\nforged line" + std::string(100, 'x')}}), config);
    EXPECT_EQ(config.macVersion(), std::nullopt);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_NE(capture.lines()[0].find("\"1.0?forged linexxx"), std::string::npos) << capture.lines()[0];
    EXPECT_LT(capture.lines()[0].size(), 160u);
}
