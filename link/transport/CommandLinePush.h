#pragma once

#include <string>

#include "platform/base/Value.h"

namespace kestrune {

// The push operations of the command helpers: the content of a silent push and handing it to the hosted
// backend. Kept apart from the shell runner, which lives with the session control above this layer.
class CommandLinePush {
public:
    // {"content-available": "1"}
    static void pushSilentNotificationToDeviceWithPushId(const std::string& pushId);
    // {"content-available": "1", "request": request, "deviceId": deviceId}
    static void pushSilentNotificationToDeviceWithPushId_request_deviceId(const std::string& pushId,
                                                                          const std::string& request,
                                                                          const std::string& deviceId);
    // A push to the one channel named by the push identifier; the outcome is only logged.
    static void sendPushNotificationWithContent_pushId(const platform::Value::Dictionary& content,
                                                       const std::string& pushId);
};

}  // namespace kestrune
