#include "link/transport/SilentPushNotificationManager.h"

#include "app/records/DeviceLocalSettings.h"
#include "tests/app/BackendFixture.h"

namespace {

using kestrune::DeviceLocalSettings;
using kestrune::SilentPushNotificationManager;

class SilentPushNotificationManagerTest : public recordtests::BackendFixture {
protected:
    void SetUp() override {
        BackendFixture::SetUp();
        SilentPushNotificationManager::resetSharedForTesting();
        phone = addPhone("phone-1", true);
        kestrune::DataManager::shared().settingsForDeviceId("phone-1")->iOSSettings()->setIOSPushId("push-1");
    }
    void TearDown() override {
        runUntilIdle();
        SilentPushNotificationManager::resetSharedForTesting();
        BackendFixture::TearDown();
    }
    std::vector<nlohmann::json> pushes() const {
        std::vector<nlohmann::json> bodies;
        for (const auto& request : requestsWithMethod("POST"))
            if (request.path == "/parse/push") bodies.push_back(bodyOf(request));
        return bodies;
    }
    static nlohmann::json wakeUp() {
        return {{"channels", {"push-1"}}, {"data", {{"content-available", "1"}}}};
    }

    std::shared_ptr<kestrune::MobileDevice> phone;
};

TEST_F(SilentPushNotificationManagerTest, AWakeUpPushGoesOutAtMostOnceIn90Seconds) {
    auto& manager = SilentPushNotificationManager::shared();
    manager.sendSilentNotificationIfNeeded();
    runUntilIdle();
    ASSERT_EQ(pushes(), std::vector<nlohmann::json>{wakeUp()});
    EXPECT_EQ(DeviceLocalSettings::shared().lastActiveTimestamp(), static_cast<int64_t>(now()));

    advance(30);
    manager.sendSilentNotificationIfNeeded();
    runUntilIdle();
    EXPECT_EQ(pushes().size(), 1u);
    advance(60);  // exactly 90 s: not yet
    manager.sendSilentNotificationIfNeeded();
    runUntilIdle();
    EXPECT_EQ(pushes().size(), 1u);
    advance(0.5);
    manager.sendSilentNotificationIfNeeded();
    runUntilIdle();
    EXPECT_EQ(pushes().size(), 2u);
}

TEST_F(SilentPushNotificationManagerTest, NoWakeUpWithin90SecondsOfThePhonesLastActivity) {
    DeviceLocalSettings::shared().setLastActiveTimestamp(static_cast<int64_t>(now()) - 60);
    SilentPushNotificationManager::shared().sendSilentNotificationIfNeeded();
    runUntilIdle();
    EXPECT_TRUE(pushes().empty());
}

TEST_F(SilentPushNotificationManagerTest, ARequestIsPushedAtOnceWithItsContent) {
    auto& manager = SilentPushNotificationManager::shared();
    manager.sendSilentNotificationIfNeeded();
    advance(1);
    const std::string request =
        "\xcb\xbd"
        "52"
        "\xcb\xbd"
        "payload";
    manager.sendSilentPushToMobileDevice_withString(phone, request);
    manager.sendSilentPushToMobileDevice_withString(phone, std::string());  // empty: a bare wake-up, no limit
    runUntilIdle();
    auto sent = pushes();
    ASSERT_EQ(sent.size(), 3u);
    const nlohmann::json withRequest = {{"channels", {"push-1"}},
                                        {"data",
                                         {{"content-available", "1"},
                                          {"request", request},
                                          {"deviceId", kestrune::Common::uniqueAppIdentifier()}}}};
    EXPECT_EQ(std::count(sent.begin(), sent.end(), withRequest), 1);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), wakeUp()), 2);
}

TEST_F(SilentPushNotificationManagerTest, OfflineTheWakeUpIsOwedUntilTheInternetReturns) {
    reachability->setFlags(0);
    auto& manager = SilentPushNotificationManager::shared();
    manager.sendSilentNotificationIfNeeded();
    runUntilIdle();
    EXPECT_TRUE(pushes().empty());
    EXPECT_TRUE(manager.sendSilentPushWhenInternetAvailable());

    advance(10);
    reachability->setFlags(platform::kReachabilityReachable);
    runUntilIdle();
    EXPECT_EQ(pushes(), std::vector<nlohmann::json>{wakeUp()});
    EXPECT_FALSE(manager.sendSilentPushWhenInternetAvailable());

    // Owed again, but the phone reports in before the internet returns: the 90 s rule holds it back.
    reachability->setFlags(0);
    runUntilIdle();
    advance(100);
    manager.sendSilentNotificationIfNeeded();
    runUntilIdle();
    EXPECT_TRUE(manager.sendSilentPushWhenInternetAvailable());
    DeviceLocalSettings::shared().setLastActiveTimestamp(static_cast<int64_t>(now()));
    reachability->setFlags(platform::kReachabilityReachable);
    runUntilIdle();
    EXPECT_EQ(pushes().size(), 1u);
    EXPECT_FALSE(manager.sendSilentPushWhenInternetAvailable());
}

TEST_F(SilentPushNotificationManagerTest, MissingIdentifiersOrAConnectedPhoneSendNothing) {
    auto& manager = SilentPushNotificationManager::shared();
    phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(true));
    manager.sendSilentNotificationIfNeeded();
    phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(false));
    kestrune::DataManager::shared().settingsForDeviceId("phone-1")->iOSSettings()->setIOSPushId(std::nullopt);
    manager.sendSilentNotificationIfNeeded();
    manager.sendSilentPushToMobileDevice_withString(phone, "x");
    manager.sendSilentPushToMobileDevice_withString(nullptr, "x");
    SilentPushNotificationManager::sendSilentPushFromDeviceId_pushId_string("", "push-1", "x");
    SilentPushNotificationManager::sendSilentPushFromDeviceId_pushId_string(std::nullopt, "push-1", "x");
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(SilentPushNotificationManagerTest, TheOutcomeIsOnlyLogged) {
    testsupport::LogCapture log;
    server.enqueue("/parse/push", {403, {}, R"({"error":"unauthorized: master key is required"})"});
    SilentPushNotificationManager::sendSilentPushFromDeviceId_pushId_string("mac", "push-1", std::nullopt);
    runUntilIdle();
    EXPECT_TRUE(log.contains(
        "Error sending push notification: HTTP status 403: unauthorized: master key is required"));
    server.enqueue("/parse/push", {200, {}, R"({"result":true})"});
    SilentPushNotificationManager::sendSilentPushFromDeviceId_pushId_string("mac", "push-1", std::nullopt);
    runUntilIdle();
    EXPECT_TRUE(log.contains("Did send push notification"));
}

}  // namespace
