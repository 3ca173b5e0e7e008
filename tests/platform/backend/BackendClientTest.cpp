#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include <nlohmann/json.hpp>

#include "platform/backend/BackendAnalytics.h"
#include "platform/backend/BackendClient.h"
#include "platform/backend/BackendObject.h"
#include "platform/backend/BackendPush.h"
#include "platform/backend/BackendQuery.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"
#include "platform/net/URLError.h"
#include "platform/system/Bundle.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/PacedServer.h"
#include "tests/support/TestEnvironment.h"

namespace {

using platform::BackendClient;
using platform::BackendObject;
using platform::BackendQuery;
using testsupport::LoopbackServer;

// A server that takes each connection, reads what arrives and closes it without a word.
class DroppingServer {
public:
    DroppingServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 4);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            int client = accept(fd_, nullptr, nullptr);
            if (client < 0) return;
            char buffer[4096];
            (void)!read(client, buffer, sizeof buffer);
            close(client);
        });
    }
    ~DroppingServer() {
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/parse"; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

class BackendClientTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        server.setDefaultAnswer({200, {}, "{}"});
        ASSERT_TRUE(server.start());
        configure(server.url("/parse"));
    }
    void TearDown() override {
        BackendClient::resetForTesting();
        server.stop();
        KestruneTest::TearDown();
    }
    static void configure(const std::string& address, double timeout = 30, double maximumDuration = 60,
                          uint64_t maximumAnswerLength = 1u << 20) {
        BackendClient::initializeWithConfiguration(
            {"app-id", "client-key", address + "/", false, timeout, maximumDuration, maximumAnswerLength});
    }

    struct Saved {
        bool called = false;
        bool succeeded = false;
        std::optional<platform::Error> error;
    };
    Saved save(const std::shared_ptr<BackendObject>& object) {
        Saved saved;
        object->saveInBackgroundWithBlock([&](bool ok, const auto& error) { saved = {true, ok, error}; });
        runUntilIdle();
        return saved;
    }

    struct Outcome {
        bool called = false;
        bool onMainThread = false;
        size_t objects = 0;
        std::optional<platform::Error> error;
    };
    Outcome runQuery() {
        Outcome outcome;
        auto query = BackendQuery::queryWithClassName("PairedDevices");
        query->whereKey_equalTo("macId", "mac-1");
        query->findObjectsInBackgroundWithBlock([&](const auto& objects, const auto& error) {
            outcome = {true, platform::isMainThread(), objects.size(), error};
        });
        EXPECT_FALSE(outcome.called) << "the completion ran before the call returned";
        runUntilIdle();
        return outcome;
    }
    static nlohmann::json bodyOf(const LoopbackServer::Request& request) {
        return nlohmann::json::parse(request.body, nullptr, false);
    }

    LoopbackServer server;
};

TEST_F(BackendClientTest, AQueryIsAGetWithTheCredentialsAndAWhereParameter) {
    server.enqueue(
        {200,
         {},
         R"({"results":[{"objectId":"o1","macId":"mac-1","iPhoneId":"p","lastUpdateTimestamp":"5.5",)"
         R"("createdAt":"2026-01-01T00:00:00.000Z"},7,{"macId":"no id"}]})"});
    auto outcome = runQuery();
    ASSERT_TRUE(outcome.called);
    EXPECT_TRUE(outcome.onMainThread);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.objects, 1u);  // a bare number and a record without identifier are left out

    auto request = server.requests().at(0);
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/parse/classes/PairedDevices?where=%7B%22macId%22%3A%22mac-1%22%7D");
    EXPECT_EQ(request.header("X-Parse-Application-Id"), "app-id");
    EXPECT_EQ(request.header("X-Parse-Client-Key"), "client-key");
}

TEST_F(BackendClientTest, PushAndEventsCarryTheirBodies) {
    server.enqueue("/parse/push", {200, {}, R"({"result":true})"});
    platform::BackendPush push;
    push.setChannels({"push-1"});
    push.setData({{"content-available", "1"},
                  {"request",
                   "\xcb\xbd"
                   "52"}});
    bool pushed = false;
    push.sendPushInBackgroundWithBlock([&](bool ok, const auto&) { pushed = ok; });
    platform::BackendAnalytics::trackAppOpenedWithLaunchOptions({});
    platform::BackendAnalytics::trackEvent_dimensions("Error", {{"App Error Type", "x y"}});
    runUntilIdle();
    EXPECT_TRUE(pushed);

    std::map<std::string, nlohmann::json> bodies;
    for (const auto& request : server.requests()) bodies[request.target] = bodyOf(request);
    EXPECT_EQ(bodies["/parse/push"], (nlohmann::json{{"channels", {"push-1"}},
                                                     {"data",
                                                      {{"content-available", "1"},
                                                       {"request",
                                                        "\xcb\xbd"
                                                        "52"}}}}));
    EXPECT_EQ(bodies["/parse/events/AppOpened"], nlohmann::json::object());
    EXPECT_EQ(bodies["/parse/events/Error"], (nlohmann::json{{"dimensions", {{"App Error Type", "x y"}}}}));
}

TEST_F(BackendClientTest, EveryFailureIsAnErrorOnTheMainThreadAndNoRecords) {
    struct Case {
        const char* name;
        LoopbackServer::Answer answer;
        int64_t code;
    };
    const Case cases[] = {
        {"server error with the backend's code",
         {500, {}, R"({"code":1,"error":"Internal server error."})"},
         1},
        {"server error without a body", {500, {}, ""}, 500},
        {"malformed JSON", {200, {}, R"({"results":[{"objectId":)"}, BackendClient::MalformedAnswer},
        {"an answer that is no object", {200, {}, "[1,2]"}, BackendClient::MalformedAnswer},
        {"results that are no list",
         {200, {}, R"({"results":{"objectId":"o"}})"},
         BackendClient::MalformedAnswer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.enqueue(c.answer);
        auto outcome = runQuery();
        ASSERT_TRUE(outcome.called);
        EXPECT_TRUE(outcome.onMainThread);
        EXPECT_EQ(outcome.objects, 0u);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->code, c.code);
    }
}

TEST_F(BackendClientTest, ATimeOutAndADroppedConnectionAreErrors) {
    configure(server.url("/parse"), 0.3);
    server.enqueue({.status = 200, .body = R"({"results":[]})", .held = true});
    auto outcome = runQuery();
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, platform::URLError::TimedOut);

    DroppingServer dropping;
    configure(dropping.url());
    outcome = runQuery();
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain, platform::URLError::kDomain);
    EXPECT_EQ(outcome.objects, 0u);
}

TEST_F(BackendClientTest, ASaveSucceedsOnlyOnTheBackendsOwnAnswer) {
    struct Case {
        const char* name;
        std::optional<std::string> objectId;  // none: a new record
        std::string answer;
        bool succeeds;
    };
    const Case cases[] = {
        {"a create answered with an empty object", std::nullopt, "{}", false},
        {"a create answered without a usable identifier", std::nullopt, R"({"objectId":7})", false},
        {"a create answered with an empty identifier", std::nullopt, R"({"objectId":""})", false},
        {"a create answered with its identifier", std::nullopt,
         R"({"objectId":"new-1","createdAt":"2026-01-01T00:00:00.000Z"})", true},
        {"an overwrite answered with an empty object", "o-1", "{}", false},
        {"an overwrite answered with its time", "o-1", R"({"updatedAt":"2026-01-01T00:00:00.000Z"})", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.enqueue({c.objectId ? 200 : 201, {}, c.answer});
        auto object = BackendObject::objectWithoutDataWithClassName_objectId("PairedDevices", c.objectId);
        object->setObject_forKey("mac-1", "macId");
        auto saved = save(object);
        ASSERT_TRUE(saved.called);
        EXPECT_EQ(saved.succeeded, c.succeeds);
        EXPECT_EQ(saved.error.has_value(), !c.succeeds);
        if (!c.objectId) {
            EXPECT_EQ(object->objectId().has_value(), c.succeeds);
        }
    }

    bool pushed = true;
    server.enqueue("/parse/push", {200, {}, "{}"});
    platform::BackendPush().sendPushInBackgroundWithBlock([&](bool ok, const auto&) { pushed = ok; });
    runUntilIdle();
    EXPECT_FALSE(pushed) << "a push the backend did not confirm";
}

TEST_F(BackendClientTest, ARedirectToAnotherHostIsRefusedAndTheKeysNeverLeave) {
    LoopbackServer elsewhere;
    ASSERT_TRUE(elsewhere.start());
    // Were the redirect followed, this answer would pass for a stored record.
    elsewhere.setDefaultAnswer({201, {}, R"({"objectId":"taken","createdAt":"2026-01-01T00:00:00.000Z"})"});
    server.setDefaultAnswer({302, {{"Location", elsewhere.url("/parse/classes/PairedDevices")}}, ""});
    auto object = BackendObject::objectWithoutDataWithClassName_objectId("PairedDevices", std::nullopt);
    object->setObject_forKey("mac-1", "macId");
    auto saved = save(object);
    EXPECT_FALSE(saved.succeeded);
    ASSERT_TRUE(saved.error);
    EXPECT_EQ(saved.error->code, platform::URLError::RedirectRefused);
    EXPECT_FALSE(object->objectId());
    auto outcome = runQuery();
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, platform::URLError::RedirectRefused);
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(elsewhere.requestCount(), 0u);
}

TEST_F(BackendClientTest, AnOversizedOrDripFedAnswerIsAnError) {
    testsupport::PacedServer endless({"HTTP/1.1 200 OK\r\nConnection: close\r\n", 64u << 20, 16 << 10, 0});
    ASSERT_TRUE(endless.start());
    configure(endless.url("/parse"), 30, 60, 4096);
    auto outcome = runQuery();
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, platform::URLError::DataLengthExceedsMaximum);

    testsupport::PacedServer drip(
        {"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n", 40, 1, 0.02});  // 0.8 s in all, never idle
    ASSERT_TRUE(drip.start());
    configure(drip.url("/parse"), 30, 0.15);
    outcome = runQuery();
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, platform::URLError::TimedOut);
}

TEST_F(BackendClientTest, WithNothingConfiguredEveryCallFailsAtOnceWithoutARequest) {
    BackendClient::resetForTesting();
    auto outcome = runQuery();
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, BackendClient::NotConfigured);
    bool saved = true, pushed = true, tracked = true;
    BackendObject::objectWithoutDataWithClassName_objectId("PairedDevices", "id")
        ->saveInBackgroundWithBlock([&](bool ok, const auto&) { saved = ok; });
    platform::BackendPush().sendPushInBackgroundWithBlock([&](bool ok, const auto&) { pushed = ok; });
    platform::BackendAnalytics::trackEvent_dimensions("Event", {},
                                                      [&](bool ok, const auto&) { tracked = ok; });
    EXPECT_EQ(platform::DispatchQueue::workInFlight(), 0) << "nothing may go to the network";
    runUntilIdle();
    EXPECT_FALSE(saved || pushed || tracked);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(BackendClientTest, TheConfigurationComesFromTheEnvironmentOverTheBundle) {
    auto& bundle = platform::Bundle::main();
    const auto saved = bundle.infoDictionary();
    auto info = saved;
    info["KestruneBackend"] = platform::Value::Dictionary{{"ApplicationId", "bundle-app"},
                                                          {"ClientKey", "bundle-key"},
                                                          {"Server", "https://backend.example/parse"}};
    bundle.setInfoDictionaryForTesting(info);
    auto fromBundle = BackendClient::configurationFromEnvironmentOrBundle();
    ASSERT_TRUE(fromBundle);
    EXPECT_EQ(fromBundle->applicationId, "bundle-app");
    setenv(BackendClient::kServerVariable, "http://127.0.0.1:1/parse", 1);
    EXPECT_EQ(BackendClient::configurationFromEnvironmentOrBundle()->server, "http://127.0.0.1:1/parse");
    unsetenv(BackendClient::kServerVariable);
    bundle.setInfoDictionaryForTesting(saved);
    EXPECT_FALSE(BackendClient::configurationFromEnvironmentOrBundle());  // nothing configured at all
}

}  // namespace
