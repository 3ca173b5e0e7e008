#include "platform/base/NotificationCenter.h"

#include "tests/support/TestEnvironment.h"

using platform::Notification;
using platform::NotificationCenter;

class NotificationCenterTest : public testsupport::KestruneTest {
protected:
    NotificationCenter center;
};

TEST_F(NotificationCenterTest, DeliversByNameAndSender) {
    int a = 0, b = 0, any = 0;
    int senderOne = 0, senderTwo = 0;
    auto o1 = center.addObserver("A", nullptr, [&](const Notification&) { ++a; });
    auto o2 = center.addObserver("B", &senderOne, [&](const Notification&) { ++b; });
    auto o3 = center.addObserver("", nullptr, [&](const Notification&) { ++any; });
    center.post("A");
    center.post("B", &senderTwo);
    center.post("B", &senderOne);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(any, 3);
}

TEST_F(NotificationCenterTest, ObservationEndsWithItsOwner) {
    int count = 0;
    {
        auto observation = center.addObserver("A", nullptr, [&](const Notification&) { ++count; });
        center.post("A");
    }
    center.post("A");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST_F(NotificationCenterTest, OwnerRegistrationsAreRemovedTogether) {
    int owner = 0;
    int count = 0;
    center.addObserver(&owner, "A", nullptr, [&](const Notification&) { ++count; });
    center.addObserver(&owner, "B", nullptr, [&](const Notification&) { ++count; });
    center.removeObserver(&owner, "A");
    center.post("A");
    center.post("B");
    EXPECT_EQ(count, 1);
    center.removeObserver(&owner);
    center.post("B");
    EXPECT_EQ(count, 1);
}

TEST_F(NotificationCenterTest, ObserverRemovedDuringDeliveryIsNotCalledAfterwards) {
    NotificationCenter::Observation second;
    int secondCalls = 0;
    auto first = center.addObserver("A", nullptr, [&](const Notification&) { second.remove(); });
    second = center.addObserver("A", nullptr, [&](const Notification&) { ++secondCalls; });
    center.post("A");
    EXPECT_EQ(secondCalls, 0);
}

TEST_F(NotificationCenterTest, CarriesUserInfo) {
    std::string seen;
    auto o =
        center.addObserver("A", nullptr, [&](const Notification& n) { seen = *n.userInfo["key"].string(); });
    center.post("A", nullptr, platform::Value::Dictionary{{"key", "value"}});
    EXPECT_EQ(seen, "value");
}
