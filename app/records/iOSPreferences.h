#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// What the phone application reports about itself and its user's choices (payload of request 10 and
// part of request 40). Every missing field is filled with its default after decoding.
class iOSPreferences : public KeyedPayloadRecord<iOSPreferences> {
public:
    static constexpr const char* kClassName = "iOSPreferences";

    // A record with every default set.
    static std::shared_ptr<iOSPreferences> init();

    void setDefaultValues();
    // Fills the fields an older archive or payload lacked with their defaults.
    void updateModelUpdateForNewVersion();
    void decodeWithCoder(platform::KeyedUnarchiver& coder) override;

    // A field-for-field copy: fields empty in the source stay empty.
    std::shared_ptr<iOSPreferences> customCopy() const;

    // State code of the phone application; the Mac tests it for 0 and 2.
    const std::optional<platform::Number>& iOSapplicationState() const { return iOSapplicationState_; }
    void setIOSapplicationState(std::optional<platform::Number> value) {
        iOSapplicationState_ = std::move(value);
    }
    // Unit of the distance shown: 1 metres, 2 feet, 3 signal strength.
    const std::optional<platform::Number>& chosenMetric() const { return chosenMetric_; }
    void setChosenMetric(std::optional<platform::Number> value) { chosenMetric_ = std::move(value); }
    // Version of the phone application.
    const std::optional<std::string>& iOSVersion() const { return iOSVersion_; }
    void setIOSVersion(std::optional<std::string> value) { iOSVersion_ = std::move(value); }
    // Boolean: the phone is charging.
    const std::optional<platform::Number>& iOSCharging() const { return iOSCharging_; }
    void setIOSCharging(std::optional<platform::Number> value) { iOSCharging_ = std::move(value); }
    // Boolean: the phone uses its motion sensors for tracking.
    const std::optional<platform::Number>& useMotionTracking() const { return useMotionTracking_; }
    void setUseMotionTracking(std::optional<platform::Number> value) {
        useMotionTracking_ = std::move(value);
    }
    // Boolean: the phone allows unlocking from its notifications.
    const std::optional<platform::Number>& iOSallowNotificationLogin() const {
        return iOSallowNotificationLogin_;
    }
    void setIOSallowNotificationLogin(std::optional<platform::Number> value) {
        iOSallowNotificationLogin_ = std::move(value);
    }
    // The phone's system version.
    const std::optional<std::string>& iOSSystemVersion() const { return iOSSystemVersion_; }
    void setIOSSystemVersion(std::optional<std::string> value) { iOSSystemVersion_ = std::move(value); }
    // The phone's push identifier, for the silent-push fallback.
    const std::optional<std::string>& iOSPushId() const { return iOSPushId_; }
    void setIOSPushId(std::optional<std::string> value) { iOSPushId_ = std::move(value); }
    // Interface language code.
    const std::optional<std::string>& language() const { return language_; }
    void setLanguage(std::optional<std::string> value) { language_ = std::move(value); }
    // The phone's battery charge in percent.
    const std::optional<platform::Number>& batteryPercent() const { return batteryPercent_; }
    void setBatteryPercent(std::optional<platform::Number> value) { batteryPercent_ = std::move(value); }

private:
    friend class KeyedPayloadRecord<iOSPreferences>;
    static const RecordSchema<iOSPreferences>& schema();

    std::optional<platform::Number> iOSapplicationState_;
    std::optional<platform::Number> chosenMetric_;
    std::optional<std::string> iOSVersion_;
    std::optional<platform::Number> iOSCharging_;
    std::optional<platform::Number> useMotionTracking_;
    std::optional<platform::Number> iOSallowNotificationLogin_;
    std::optional<std::string> iOSSystemVersion_;
    std::optional<std::string> iOSPushId_;
    std::optional<std::string> language_;
    std::optional<platform::Number> batteryPercent_;
};

}  // namespace kestrune
