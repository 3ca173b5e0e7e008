// The hosted backend client against a real Parse Server: what a mock would only restate (the REST
// paths, headers, the "where" parameter, the shape of stored records and answers) is checked by a
// server that implements the protocol.
#include <gtest/gtest.h>

#include "link/transport/CommandLinePush.h"
#include "platform/backend/BackendAnalytics.h"
#include "platform/backend/BackendClient.h"
#include "platform/backend/BackendObject.h"
#include "platform/backend/BackendPush.h"
#include "platform/backend/BackendQuery.h"
#include "platform/base/Clock.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/ParseServer.h"
#include "tests/support/TestEnvironment.h"

namespace {

using platform::BackendClient;
using platform::BackendObject;
using platform::BackendQuery;

const bool kServerRegistered = (testsupport::registerParseServerEnvironment(), true);

class ParseServerTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        server = testsupport::ParseServer::shared();
        ASSERT_NE(server, nullptr) << "the Parse Server fixture did not start";
        BackendClient::initializeWithConfiguration(
            platform::BackendClientConfiguration::configurationWithBlock(
                [&](platform::BackendClientConfiguration& c) {
                    c.applicationId = testsupport::ParseServer::kApplicationId;
                    c.clientKey = testsupport::ParseServer::kClientKey;
                    c.server = server->serverURL();
                    c.localDatastoreEnabled = true;
                }));
    }
    void TearDown() override {
        BackendClient::resetForTesting();
        KestruneTest::TearDown();
    }

    // The records whose "macId" is the text, as the server has them now.
    std::vector<std::shared_ptr<BackendObject>> find(const std::string& macId) {
        auto query = BackendQuery::queryWithClassName("PairedDevices");
        query->whereKey_equalTo("macId", macId);
        std::vector<std::shared_ptr<BackendObject>> found;
        std::optional<platform::Error> failure;
        bool done = false;
        query->findObjectsInBackgroundWithBlock([&](const auto& objects, const auto& error) {
            found = objects;
            failure = error;
            done = true;
        });
        runUntilIdle();
        EXPECT_TRUE(done);
        EXPECT_FALSE(failure) << (failure ? failure->description : "");
        return found;
    }

    bool save(const std::shared_ptr<BackendObject>& object) {
        bool succeeded = false;
        object->saveInBackgroundWithBlock([&](bool ok, const auto&) { succeeded = ok; });
        runUntilIdle();
        return succeeded;
    }

    static std::shared_ptr<BackendObject> record(const std::optional<std::string>& objectId,
                                                 const std::string& mac, const std::string& phone,
                                                 const std::string& stamp) {
        auto object = BackendObject::objectWithoutDataWithClassName_objectId("PairedDevices", objectId);
        object->setObject_forKey(mac, "macId");
        object->setObject_forKey(phone, "iPhoneId");
        object->setObject_forKey(stamp, "lastUpdateTimestamp");
        return object;
    }

    testsupport::ParseServer* server = nullptr;
};

TEST_F(ParseServerTest, RecordsRoundTripByMacIdAndAnOverwriteKeepsOneRecord) {
    auto first = record(std::nullopt, "mac-round-trip", "phone-a", "1800000000.000000");
    ASSERT_TRUE(save(first));
    ASSERT_TRUE(first->objectId());
    ASSERT_TRUE(save(record(std::nullopt, "mac-other", "phone-z", "1800000001.000000")));

    auto found = find("mac-round-trip");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->objectId(), first->objectId());
    EXPECT_EQ(*found[0]->objectForKey("iPhoneId").string(), "phone-a");
    EXPECT_EQ(*found[0]->objectForKey("lastUpdateTimestamp").string(), "1800000000.000000");

    // A save with the identifier of the stored record overwrites it (PUT) instead of adding one.
    ASSERT_TRUE(save(record(first->objectId(), "mac-round-trip", "phone-b", "1800000050.500000")));
    found = find("mac-round-trip");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(*found[0]->objectForKey("iPhoneId").string(), "phone-b");
    EXPECT_EQ(*found[0]->objectForKey("lastUpdateTimestamp").string(), "1800000050.500000");
    EXPECT_TRUE(find("mac-nobody").empty());
}

TEST_F(ParseServerTest, AQueryValueIsEscapedIntoTheWhereParameter) {
    const std::string awkward = "mac \"quoted\" & = ? # % + ünï";
    ASSERT_TRUE(save(record(std::nullopt, awkward, "phone-q", "1.000000")));
    auto found = find(awkward);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(*found[0]->objectForKey("macId").string(), awkward);
}

TEST_F(ParseServerTest, EventsAreAccepted) {
    std::vector<bool> results;
    platform::BackendAnalytics::trackAppOpenedWithLaunchOptions(
        {}, [&](bool ok, const auto&) { results.push_back(ok); });
    platform::BackendAnalytics::trackEvent_dimensions("Event",
                                                      {{"App Event", "Unlock"}, {"Event Reason", "Kestrune"}},
                                                      [&](bool ok, const auto&) { results.push_back(ok); });
    runUntilIdle();
    EXPECT_EQ(results, (std::vector<bool>{true, true}));
}

TEST_F(ParseServerTest, AWrongClientKeyOrAPushWithoutTheMasterKeyIsRefused) {
    platform::BackendPush push;
    push.setChannels({"push-channel"});
    push.setData({{"content-available", "1"}});
    std::optional<platform::Error> pushError;
    push.sendPushInBackgroundWithBlock([&](bool, const auto& error) { pushError = error; });
    runUntilIdle();
    ASSERT_TRUE(pushError);
    EXPECT_EQ(pushError->domain, BackendClient::kErrorDomain);
    EXPECT_NE(pushError->description.find("master key"), std::string::npos) << pushError->description;
    testsupport::LogCapture log;
    kestrune::CommandLinePush::pushSilentNotificationToDeviceWithPushId("push-channel");
    runUntilIdle();
    EXPECT_TRUE(log.contains(
        "Error sending push notification: HTTP status 403: unauthorized: master key is required"));

    auto configuration = *BackendClient::currentConfiguration();
    configuration.clientKey = "not-the-key";
    BackendClient::initializeWithConfiguration(configuration);
    bool succeeded = true;
    record(std::nullopt, "mac-refused", "p", "1.0")->saveInBackgroundWithBlock([&](bool ok, const auto&) {
        succeeded = ok;
    });
    runUntilIdle();
    EXPECT_FALSE(succeeded);
}

}  // namespace
