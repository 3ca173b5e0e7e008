#include "app/remote/TrackUser.h"

#include "app/remote/HostedBackendClient.h"

#include "app/records/MobileDeviceInfo.h"
#include "app/support/Utilities.h"
#include "tests/app/BackendFixture.h"

namespace {

using kestrune::TrackUser;

class TrackUserTest : public recordtests::BackendFixture {};

TEST_F(TrackUserTest, AnErrorNamesThePhoneTypeOnlyWhenATrackedPhoneToldIt) {
    const nlohmann::json common = {{"App Error Type", "Bluetooth - Rescanning for devices"},
                                   {"OSX App Version", kestrune::Common::getAppVersion()},
                                   {"OSX System Version", kestrune::Utilities::systemVersionOSX()}};
    TrackUser::trackErrorType("Bluetooth - Rescanning for devices");  // no phone
    auto phone = addPhone("phone-1", true);
    phone->setMobileDeviceInfo(kestrune::MobileDeviceInfo::init());
    TrackUser::trackErrorType("Bluetooth - Rescanning for devices");  // a phone without a type
    runUntilIdle();
    phone->mobileDeviceInfo()->setDeviceType("iPhone10,3");
    TrackUser::trackErrorType("Bluetooth - Rescanning for devices");
    runUntilIdle();

    auto posts = requestsWithMethod("POST");
    ASSERT_EQ(posts.size(), 3u);
    for (const auto& post : posts) EXPECT_EQ(post.path, "/parse/events/Error");
    nlohmann::json withPhone = common;
    withPhone["iOS Device"] = "iPhone10,3";
    EXPECT_EQ(bodyOf(posts[0]), (nlohmann::json{{"dimensions", common}}));
    EXPECT_EQ(bodyOf(posts[1]), (nlohmann::json{{"dimensions", common}}));
    EXPECT_EQ(bodyOf(posts[2]), (nlohmann::json{{"dimensions", withPhone}}));
}

TEST_F(TrackUserTest, AnEventCarriesItsTypeAndReason) {
    TrackUser::trackEventType_eventName("Lock", "Lost Bluetooth Connection");
    runUntilIdle();
    auto posts = requestsWithMethod("POST");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].path, "/parse/events/Event");
    EXPECT_EQ(bodyOf(posts[0]),
              (nlohmann::json{
                  {"dimensions", {{"App Event", "Lock"}, {"Event Reason", "Lost Bluetooth Connection"}}}}));
}

TEST(TrackUserReasonsTest, ReasonsByCommandReason) {
    const std::optional<std::string> none;
    const std::pair<int, std::optional<std::string>> unlocks[] = {
        {0, "Kestrune"}, {1, "Fast Lock"}, {2, none}, {5, "Safe Wifi"}};
    for (const auto& [reason, expected] : unlocks)
        EXPECT_EQ(TrackUser::unlockEventReason(reason), expected) << reason;
    const std::pair<int, std::optional<std::string>> locks[] = {
        {0, "Kestrune"}, {1, "Fast Lock"}, {3, "Lost Bluetooth Connection"}, {4, none}};
    for (const auto& [reason, expected] : locks)
        EXPECT_EQ(TrackUser::lockEventReason(reason), expected) << reason;
}

}  // namespace

namespace {

class HostedBackendClientTest : public recordtests::BackendFixture {};

TEST_F(HostedBackendClientTest, TheLaunchEventGoesOutWithTheEnvironmentsConfigurationAndNoneWithout) {
    platform::BackendClient::resetForTesting();
    {
        // Made before the environment names a backend: the client is configured at its start step, not
        // when made, and the launch event recorded before that step waits for it.
        kestrune::HostedBackendClient client;
        setenv(platform::BackendClient::kApplicationIdVariable, "env-app", 1);
        setenv(platform::BackendClient::kClientKeyVariable, "env-key", 1);
        setenv(platform::BackendClient::kServerVariable, server.url("/env").c_str(), 1);
        client.trackAppOpenedWithLaunchOptions();
        runUntilIdle();
        EXPECT_FALSE(platform::BackendClient::isConfigured());
        EXPECT_EQ(server.requestCount(), 0u);
        client.initializeWithConfiguration({"compiled-in", "compiled-in", "https://elsewhere.example", true});
        runUntilIdle();
        // Once configured, the event goes straight out.
        client.trackAppOpenedWithLaunchOptions();
        runUntilIdle();
    }
    auto posts = requestsWithMethod("POST");
    ASSERT_EQ(posts.size(), 2u);
    for (const auto& post : posts) {
        EXPECT_EQ(post.path, "/env/events/AppOpened");
        EXPECT_EQ(post.header("X-Parse-Application-Id"), "env-app");
    }
    auto configuration = platform::BackendClient::currentConfiguration();
    ASSERT_TRUE(configuration);
    EXPECT_EQ(configuration->server, server.url("/env"));
    EXPECT_TRUE(configuration->localDatastoreEnabled);
    size_t sent = server.requestCount();

    for (const char* variable :
         {platform::BackendClient::kApplicationIdVariable, platform::BackendClient::kClientKeyVariable,
          platform::BackendClient::kServerVariable})
        unsetenv(variable);
    platform::BackendClient::resetForTesting();
    kestrune::HostedBackendClient unconfigured;
    unconfigured.trackAppOpenedWithLaunchOptions();
    unconfigured.initializeWithConfiguration({"compiled-in", "compiled-in", server.url("/compiled"), true});
    runUntilIdle();
    EXPECT_FALSE(platform::BackendClient::isConfigured());
    EXPECT_EQ(server.requestCount(), sent);
}

}  // namespace
