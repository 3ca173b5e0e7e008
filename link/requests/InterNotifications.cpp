#include "link/requests/InterNotifications.h"

#include "platform/base/InterProcessNotificationCenter.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

// One relay per process: with one per transport, a message would reach each transport once for every
// transport alive.
struct Relay {
    int users = 0;
    platform::NotificationCenter::Observation observation;
};
Relay& relay() {
    static Relay* shared = new Relay();  // used to the end of the process
    return *shared;
}

}  // namespace

InterNotifications::InterNotifications() {
    registerForKestruneDarvinNotificaions();
    registerForInternalNotifications();
}

InterNotifications::~InterNotifications() {
    if (relaying_ && --relay().users == 0) relay().observation.remove();
}

void InterNotifications::registerForKestruneDarvinNotificaions() {
    if (relaying_) return;
    relaying_ = true;
    if (relay().users++ > 0 && relay().observation.isActive()) return;
    relay().observation = platform::InterProcessNotificationCenter::defaultCenter().addObserver(
        kChannelName, [](const platform::Notification& notification) {
            platform::NotificationCenter::defaultCenter().post(kInternalNotification, nullptr,
                                                               notification.userInfo);
        });
}

void InterNotifications::registerForInternalNotifications() {
    internal_ = platform::NotificationCenter::defaultCenter().addObserver(
        kInternalNotification, nullptr,
        [this](const platform::Notification& notification) { internalNotification(notification); });
}

void InterNotifications::internalNotification(const platform::Notification& notification) {
    const platform::Value::Dictionary* message = notification.userInfo.dictionary();
    if (!message) {
        platform::logf("Inter-process channel: ignored a message that is no dictionary");
        return;
    }
    if (delegate) delegate->interNotifications_didReeiveDiect(*this, *message);
}

void InterNotifications::setObjectValue_forKey(const platform::Value& value, const std::string& key) {
    platform::InterProcessNotificationCenter::defaultCenter()
        .postNotificationName_object_userInfo_deliverImmediately(
            kChannelName, platform::Value::Dictionary{{key, value}}, true);
}

}  // namespace kestrune
