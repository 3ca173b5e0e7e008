#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace kestrune {

// The application's own usage events, sent to the hosted backend's analytics; nothing waits for them.
class TrackUser {
public:
    // "Error" with "App Error Type", "OSX App Version", "OSX System Version", and "iOS Device" when a
    // phone is tracked and has told its device type.
    static void trackErrorType(const std::string& type);
    // "Event" with "App Event" and "Event Reason".
    static void trackEventType_eventName(const std::string& type, const std::string& reason);

    // The dimensions trackErrorType sends now (read on the calling thread).
    static std::map<std::string, std::string> errorDimensions(const std::string& type);
    // The "Event Reason" the coordinator sends after an unlock or a lock for a command reason; none
    // when that reason sends no event.
    static std::optional<std::string> unlockEventReason(int32_t commandReason);
    static std::optional<std::string> lockEventReason(int32_t commandReason);
};

}  // namespace kestrune
