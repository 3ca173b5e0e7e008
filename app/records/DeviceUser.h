#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// A user account of the Mac; also the credentials the phone sends when it pairs.
class DeviceUser : public KeyedPayloadRecord<DeviceUser> {
public:
    static constexpr const char* kClassName = "DeviceUser";
    static std::shared_ptr<DeviceUser> init() { return std::make_shared<DeviceUser>(); }

    // The account's numeric user id.
    const std::optional<platform::Number>& idNumber() const { return idNumber_; }
    void setIdNumber(std::optional<platform::Number> value) { idNumber_ = std::move(value); }
    const std::optional<std::string>& fullName() const { return fullName_; }
    void setFullName(std::optional<std::string> value) { fullName_ = std::move(value); }
    // The short name.
    const std::optional<std::string>& username() const { return username_; }
    void setUsername(std::optional<std::string> value) { username_ = std::move(value); }
    // Present only while a pairing request carries it; the data manager keeps the password elsewhere,
    // encrypted, and empties this field before it saves.
    const std::optional<std::string>& password() const { return password_; }
    void setPassword(std::optional<std::string> value) { password_ = std::move(value); }
    // Boolean: the account has a password.
    const std::optional<platform::Number>& hasPassword() const { return hasPassword_; }
    void setHasPassword(std::optional<platform::Number> value) { hasPassword_ = std::move(value); }

    std::shared_ptr<DeviceUser> copyCustom() const;

private:
    friend class KeyedPayloadRecord<DeviceUser>;
    static const RecordSchema<DeviceUser>& schema();

    std::optional<platform::Number> idNumber_;
    std::optional<std::string> fullName_;
    std::optional<std::string> username_;
    std::optional<std::string> password_;
    std::optional<platform::Number> hasPassword_;
};

}  // namespace kestrune
