#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/ConnectionInfo.h"
#include "app/records/DeviceInfo.h"
#include "app/records/KeyedPayloadRecord.h"
#include "app/records/SessionInfo.h"

namespace kestrune {

// This Mac: the current device of the device data, and the payload of request 32.
class Device : public KeyedPayloadRecord<Device> {
public:
    static constexpr const char* kClassName = "Device";

    // An empty identifier and an empty connection record; no device or session information.
    static std::shared_ptr<Device> init();
    static std::shared_ptr<Device> initWithUnId(std::optional<std::string> unId);

    const std::optional<std::string>& unId() const { return unId_; }
    void setUnId(std::optional<std::string> value) { unId_ = std::move(value); }
    const std::shared_ptr<DeviceInfo>& deviceInfo() const { return deviceInfo_; }
    void setDeviceInfo(std::shared_ptr<DeviceInfo> value) { deviceInfo_ = std::move(value); }
    const std::shared_ptr<ConnectionInfo>& connectionInfo() const { return connectionInfo_; }
    void setConnectionInfo(std::shared_ptr<ConnectionInfo> value) { connectionInfo_ = std::move(value); }
    const std::shared_ptr<SessionInfo>& sessionInfo() const { return sessionInfo_; }
    void setSessionInfo(std::shared_ptr<SessionInfo> value) { sessionInfo_ = std::move(value); }

    std::shared_ptr<Device> customCopy() const;

    // The session information says a user is logged in; NO when either is missing.
    bool userStatedAsLoggedIn() const;

    // Questions shown on the phone, naming this Mac when it has a name.
    std::string unlockDeviceQuestion() const;
    std::string insertPasswordQuestion() const;
    std::string knockTwiceToUnlock() const;
    std::string knockTwiceToAuth() const;
    // The device name, or "Mac" when it has none.
    std::string deviceNameSafe() const;

private:
    friend class KeyedPayloadRecord<Device>;
    static const RecordSchema<Device>& schema();
    std::optional<std::string> presentDeviceName() const;
    std::string question(const char* keyWithName, const char* keyWithoutName) const;

    std::optional<std::string> unId_;
    std::shared_ptr<DeviceInfo> deviceInfo_;
    std::shared_ptr<ConnectionInfo> connectionInfo_;
    std::shared_ptr<SessionInfo> sessionInfo_;
};

}  // namespace kestrune
