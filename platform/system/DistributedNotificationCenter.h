#pragma once

#include <string>

#include "platform/base/NotificationCenter.h"

namespace platform {

// Notifications between processes (the screen lock, the screensaver, display hardware). For now the
// centre is within this process: the simulated session posts here what the system would broadcast.
// Observers run on the main run loop.
class DistributedNotificationCenter {
public:
    static NotificationCenter& defaultCenter();
    // Delivers the notification on a later pass of the main run loop, as a broadcast from another
    // process arrives.
    static void postOnMainRunLoop(std::string name, Value userInfo = {});
};

}  // namespace platform
