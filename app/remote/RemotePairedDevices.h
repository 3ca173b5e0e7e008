#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/backend/BackendObject.h"

namespace kestrune {

// This Mac's record of the hosted backend in memory: which phone it tracks, and when that was written.
class RemotePairedDevices {
public:
    static constexpr const char* kClassName = "PairedDevices";

    std::optional<std::string> objectId;
    std::optional<std::string> macId;
    std::optional<std::string> iPhoneId;
    double lastUpdateTimestamp = 0;

    // Now in seconds since 1970, as "%f" text.
    static std::string currentTimestampString();
    // A backend record of the class with this record's identifier (none: a new record), "macId" and
    // "iPhoneId", and "lastUpdateTimestamp" stamped with the time of the call, as text.
    std::shared_ptr<platform::BackendObject> pfObject() const;
    // Reads a backend record; a time stamp that is no number (or no text of one) reads 0.
    static RemotePairedDevices initWithPFObject(const platform::BackendObject& object);
};

// Builds the record that describes this Mac now.
class RemotePairedDeviceMacFactory {
public:
    // The tracked phone's identifier; "" when no phone is tracked or it has none.
    static std::string getTrackingMobileDeviceUnId();
    static RemotePairedDevices generateCurrentPairedDevicesObject();
};

}  // namespace kestrune
