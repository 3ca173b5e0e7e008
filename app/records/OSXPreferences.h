#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// The Mac's options for one phone, which the phone shows and may change (part of request 40). Every
// missing field is filled with its default after decoding.
class OSXPreferences : public KeyedPayloadRecord<OSXPreferences> {
public:
    static constexpr const char* kClassName = "OSXPreferences";

    // A record with every default set.
    static std::shared_ptr<OSXPreferences> init();

    void setDefaultValues();
    // Fills the fields an older archive or payload lacked with their defaults.
    void updateModelUpdateForNewVersion();
    void decodeWithCoder(platform::KeyedUnarchiver& coder) override;

    // A field-for-field copy: fields empty in the source stay empty.
    std::shared_ptr<OSXPreferences> customCopy() const;

    // Boolean: unlocking on approach is allowed.
    const std::optional<platform::Number>& allowLogin() const { return allowLogin_; }
    void setAllowLogin(std::optional<platform::Number> value) { allowLogin_ = std::move(value); }
    // Boolean: locking on walking away is allowed.
    const std::optional<platform::Number>& allowLogout() const { return allowLogout_; }
    void setAllowLogout(std::optional<platform::Number> value) { allowLogout_ = std::move(value); }
    // 0 none, 1 a proximity unlock awaits the phone, 2 a password-screen confirmation awaits it.
    const std::optional<platform::Number>& isWaitingForConfirmation() const {
        return isWaitingForConfirmation_;
    }
    void setIsWaitingForConfirmation(std::optional<platform::Number> value) {
        isWaitingForConfirmation_ = std::move(value);
    }
    // How an unlock from the password screen is confirmed: 0 not, 3 knock twice, else on the phone.
    const std::optional<platform::Number>& passwordScreenAuthMethod() const {
        return passwordScreenAuthMethod_;
    }
    void setPasswordScreenAuthMethod(std::optional<platform::Number> value) {
        passwordScreenAuthMethod_ = std::move(value);
    }
    // This application's version.
    const std::optional<std::string>& OSXVersion() const { return OSXVersion_; }
    void setOSXVersion(std::optional<std::string> value) { OSXVersion_ = std::move(value); }
    // Boolean: wake the screen and unlock when the phone approaches.
    const std::optional<platform::Number>& wakeScreenOnApproach() const { return wakeScreenOnApproach_; }
    void setWakeScreenOnApproach(std::optional<platform::Number> value) {
        wakeScreenOnApproach_ = std::move(value);
    }
    // Boolean: the closer distance range is allowed.
    const std::optional<platform::Number>& allowCloserDistances() const { return allowCloserDistances_; }
    void setAllowCloserDistances(std::optional<platform::Number> value) {
        allowCloserDistances_ = std::move(value);
    }
    // This Mac's system version.
    const std::optional<std::string>& OSXSystemVersion() const { return OSXSystemVersion_; }
    void setOSXSystemVersion(std::optional<std::string> value) { OSXSystemVersion_ = std::move(value); }
    // Time of the last connection, seconds since 1970.
    const std::optional<platform::Number>& lastConnectionTimestamp() const {
        return lastConnectionTimestamp_;
    }
    void setLastConnectionTimestamp(std::optional<platform::Number> value) {
        lastConnectionTimestamp_ = std::move(value);
    }
    // 0: the phone is not asked to approve authorisation dialogs; above 0 it is.
    const std::optional<platform::Number>& installAuthMethod() const { return installAuthMethod_; }
    void setInstallAuthMethod(std::optional<platform::Number> value) {
        installAuthMethod_ = std::move(value);
    }
    // How an unlock on approach is confirmed (same codes as the password screen).
    const std::optional<platform::Number>& onApproachAuthMethod() const { return onApproachAuthMethod_; }
    void setOnApproachAuthMethod(std::optional<platform::Number> value) {
        onApproachAuthMethod_ = std::move(value);
    }
    // Boolean: unlocking by voice command on the phone is allowed.
    const std::optional<platform::Number>& allowSiriUnlock() const { return allowSiriUnlock_; }
    void setAllowSiriUnlock(std::optional<platform::Number> value) { allowSiriUnlock_ = std::move(value); }
    // Boolean: locking by voice command on the phone is allowed.
    const std::optional<platform::Number>& allowSiriLock() const { return allowSiriLock_; }
    void setAllowSiriLock(std::optional<platform::Number> value) { allowSiriLock_ = std::move(value); }

private:
    friend class KeyedPayloadRecord<OSXPreferences>;
    static const RecordSchema<OSXPreferences>& schema();

    std::optional<platform::Number> allowLogin_;
    std::optional<platform::Number> allowLogout_;
    std::optional<platform::Number> isWaitingForConfirmation_;
    std::optional<platform::Number> passwordScreenAuthMethod_;
    std::optional<std::string> OSXVersion_;
    std::optional<platform::Number> wakeScreenOnApproach_;
    std::optional<platform::Number> allowCloserDistances_;
    std::optional<std::string> OSXSystemVersion_;
    std::optional<platform::Number> lastConnectionTimestamp_;
    std::optional<platform::Number> installAuthMethod_;
    std::optional<platform::Number> onApproachAuthMethod_;
    std::optional<platform::Number> allowSiriUnlock_;
    std::optional<platform::Number> allowSiriLock_;
};

}  // namespace kestrune
