#pragma once

#include <memory>
#include <string>

#include "platform/base/NotificationCenter.h"
#include "platform/base/Value.h"

namespace kestrune {

class InterNotifications;

class InterNotificationsDelegate {
public:
    virtual ~InterNotificationsDelegate() = default;
    virtual void interNotifications_didReeiveDiect(InterNotifications& transport,
                                                   const platform::Value::Dictionary& message) = 0;
};

// The transport of the inter-process test channel: one-entry messages over the distributed centre,
// re-posted in the process as "internalNotification" so that every transport of the process hears
// every message, once: the process keeps one relay from the distributed centre while any transport
// lives, however many there are. Make, use and drop transports on the main thread.
class InterNotifications {
public:
    static constexpr const char* kChannelName = "com.kestrune.Kestrune.InterProcessChannel";
    static constexpr const char* kInternalNotification = "internalNotification";

    InterNotifications();
    ~InterNotifications();
    InterNotifications(const InterNotifications&) = delete;
    InterNotifications& operator=(const InterNotifications&) = delete;

    void registerForKestruneDarvinNotificaions();
    void registerForInternalNotifications();
    void internalNotification(const platform::Notification& notification);
    void setObjectValue_forKey(const platform::Value& value, const std::string& key);

    InterNotificationsDelegate* delegate = nullptr;  // the message layer that owns this transport

private:
    bool relaying_ = false;
    platform::NotificationCenter::Observation internal_;
};

}  // namespace kestrune
