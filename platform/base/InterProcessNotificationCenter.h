#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/base/NotificationCenter.h"
#include "platform/base/Value.h"

namespace platform {

// Named notifications between the processes of one user, as the desktop's distributed centre carried
// them: a post reaches every observing process, the posting one included, and its observers run on
// that process's main run loop. Each observing process listens on a Unix datagram socket in a
// rendezvous folder only the user may enter ($XDG_RUNTIME_DIR/kestrune-notifications, else the state
// folder); a post sends one datagram to every socket there and removes those whose process has gone.
// A notification carries a name and a user information of texts, numbers, booleans, lists and
// dictionaries; anything else does not travel.
class InterProcessNotificationCenter {
public:
    static InterProcessNotificationCenter& defaultCenter();

    // Starts listening with the first observer. The handler runs on the main run loop.
    [[nodiscard]] NotificationCenter::Observation addObserver(std::string name,
                                                              NotificationCenter::Handler handler);
    // Every notification of the platform's kind is delivered at once, so the flag changes nothing.
    void postNotificationName_object_userInfo_deliverImmediately(const std::string& name,
                                                                 const Value& userInfo,
                                                                 bool deliverImmediately = true);

    static std::string rendezvousFolder();

    // The datagram of a notification, and the notification of a datagram (none for anything that is not
    // one: the bytes come from another process).
    static std::string encodeMessage(const std::string& name, const Value& userInfo);
    static std::optional<std::pair<std::string, Value>> decodeMessage(const std::string& datagram);

    // Stops listening, removes its socket and drops every observer (between tests).
    void resetForTesting();

    InterProcessNotificationCenter() = default;
    ~InterProcessNotificationCenter();
    InterProcessNotificationCenter(const InterProcessNotificationCenter&) = delete;
    InterProcessNotificationCenter& operator=(const InterProcessNotificationCenter&) = delete;

private:
    bool startListening();
    void stopListening();
    void listen(int socket, int wake);

    NotificationCenter local_;  // the observers of this process
    std::mutex mutex_;
    int socket_ = -1;
    int wake_[2] = {-1, -1};
    std::string socketPath_;
    std::thread thread_;
};

}  // namespace platform
