#include "platform/services/UserNotificationCenter.h"

#include "platform/services/UserNotificationRecorder.h"
#include "tests/support/TestEnvironment.h"

namespace {

class Delegate : public platform::UserNotificationCenterDelegate {
public:
    bool present = false;
    std::vector<std::string> activated;
    bool userNotificationCenter_shouldPresentNotification(platform::UserNotificationCenter&,
                                                          const platform::UserNotification&) override {
        return present;
    }
    void userNotificationCenter_didActivateNotification(platform::UserNotificationCenter&,
                                                        const platform::UserNotification& n) override {
        activated.push_back(n.identifier + (n.title.empty() ? "" : ":" + n.title));
    }
};

class UserNotificationCenterTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        center().setDelegate(&delegate);
    }
    void TearDown() override {
        center().resetForTesting();
        platform::UserNotificationBackend::install(nullptr);
        KestruneTest::TearDown();
    }
    static platform::UserNotificationCenter& center() {
        return platform::UserNotificationCenter::defaultCenter();
    }

    Delegate delegate;
};

TEST_F(UserNotificationCenterTest, WithoutABackendNothingIsShownOrKept) {
    testsupport::LogCapture log;
    center().deliverNotification({"a", "Title", "", "", false});
    EXPECT_TRUE(center().deliveredNotifications().empty());
    EXPECT_TRUE(log.contains("[a] not shown"));
}

TEST_F(UserNotificationCenterTest, TheInstalledBackendShowsKeepsAndReportsClicks) {
    auto recorder = std::make_shared<platform::UserNotificationRecorder>();
    platform::UserNotificationBackend::install(recorder);
    center().deliverNotification({"a", "First", "", "", true});  // the centre, not the caller, decides
    delegate.present = true;
    center().deliverNotification({"b", "Second", "text", "", false});
    auto delivered = center().deliveredNotifications();
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_FALSE(delivered[0].presented);
    EXPECT_TRUE(delivered[1].presented);

    recorder->activate("b");
    recorder->activate("gone");  // a click on one no longer shown still reaches the delegate
    EXPECT_EQ(delegate.activated, (std::vector<std::string>{"b:Second", "gone"}));

    center().removeDeliveredNotification("a");
    ASSERT_EQ(center().deliveredNotifications().size(), 1u);
    EXPECT_EQ(center().deliveredNotifications()[0].identifier, "b");
    center().removeAllDeliveredNotifications();
    EXPECT_TRUE(recorder->delivered().empty());
}

TEST_F(UserNotificationCenterTest, RemovalByObjectTakesOnlyThatDelivery) {
    auto recorder = std::make_shared<platform::UserNotificationRecorder>();
    platform::UserNotificationBackend::install(recorder);
    auto first = center().deliverNotification({"", "First", "", "", false});
    auto second = center().deliverNotification({"", "Second", "", "", false});
    EXPECT_NE(first.deliveryNumber, 0u);
    EXPECT_NE(first.deliveryNumber, second.deliveryNumber);
    center().removeDeliveredNotification(first);
    auto delivered = center().deliveredNotifications();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].title, "Second");
    center().removeDeliveredNotification(first);                         // already gone: nothing happens
    center().removeDeliveredNotification(platform::UserNotification{});  // never delivered
    EXPECT_EQ(center().deliveredNotifications().size(), 1u);
}

}  // namespace
