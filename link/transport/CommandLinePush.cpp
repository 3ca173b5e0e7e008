#include "link/transport/CommandLinePush.h"

#include "platform/backend/BackendPush.h"
#include "platform/base/Log.h"

namespace kestrune {

void CommandLinePush::pushSilentNotificationToDeviceWithPushId(const std::string& pushId) {
    sendPushNotificationWithContent_pushId({{"content-available", "1"}}, pushId);
}

void CommandLinePush::pushSilentNotificationToDeviceWithPushId_request_deviceId(const std::string& pushId,
                                                                                const std::string& request,
                                                                                const std::string& deviceId) {
    sendPushNotificationWithContent_pushId(
        {{"content-available", "1"}, {"request", request}, {"deviceId", deviceId}}, pushId);
}

void CommandLinePush::sendPushNotificationWithContent_pushId(const platform::Value::Dictionary& content,
                                                             const std::string& pushId) {
    platform::BackendPush push;
    push.setChannels({pushId});
    push.setData(content);
    push.sendPushInBackgroundWithBlock([](bool succeeded, const std::optional<platform::Error>& error) {
        if (succeeded)
            platform::logf("Did send push notification");
        else
            platform::logf("Error sending push notification: %s",
                           error ? error->description.c_str() : "unknown");
    });
}

}  // namespace kestrune
