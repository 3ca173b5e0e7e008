#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// The login state of this Mac's session, as the phone is told it.
class SessionInfo : public KeyedPayloadRecord<SessionInfo> {
public:
    static constexpr const char* kClassName = "SessionInfo";
    static std::shared_ptr<SessionInfo> init() { return std::make_shared<SessionInfo>(); }

    // Boolean: a user is logged in and the session is active (unlocked).
    const std::optional<platform::Number>& userIsLoggedIn() const { return userIsLoggedIn_; }
    void setUserIsLoggedIn(std::optional<platform::Number> value) { userIsLoggedIn_ = std::move(value); }
    // The short name of the user at the console.
    const std::optional<std::string>& userIdLoggedIn() const { return userIdLoggedIn_; }
    void setUserIdLoggedIn(std::optional<std::string> value) { userIdLoggedIn_ = std::move(value); }
    // Which side made the last change of the login state: 1 the phone, 2 the Mac.
    const std::optional<platform::Number>& deviceResponsibleForLastChange() const {
        return deviceResponsibleForLastChange_;
    }
    void setDeviceResponsibleForLastChange(std::optional<platform::Number> value) {
        deviceResponsibleForLastChange_ = std::move(value);
    }
    // Boolean: the lid is closed and no external display is attached.
    const std::optional<platform::Number>& laptopLidIsDownAndNoExternalMonitor() const {
        return laptopLidIsDownAndNoExternalMonitor_;
    }
    void setLaptopLidIsDownAndNoExternalMonitor(std::optional<platform::Number> value) {
        laptopLidIsDownAndNoExternalMonitor_ = std::move(value);
    }

    std::shared_ptr<SessionInfo> copyCustom() const;

private:
    friend class KeyedPayloadRecord<SessionInfo>;
    static const RecordSchema<SessionInfo>& schema();

    std::optional<platform::Number> userIsLoggedIn_;
    std::optional<std::string> userIdLoggedIn_;
    std::optional<platform::Number> deviceResponsibleForLastChange_;
    std::optional<platform::Number> laptopLidIsDownAndNoExternalMonitor_;
};

}  // namespace kestrune
