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
    static void configure(const std::string& address, double timeout = 30) {
        BackendClient::initializeWithConfiguration({"app-id", "client-key", address + "/", false, timeout});
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
    server.enqueue({200, {}, R"({"results":[]})", 5.0});
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
