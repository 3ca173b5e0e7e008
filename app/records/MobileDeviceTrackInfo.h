#pragma once

#include <memory>
#include <optional>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// Whether and at what distance one phone locks and unlocks this Mac (payload of request 35).
class MobileDeviceTrackInfo : public KeyedPayloadRecord<MobileDeviceTrackInfo> {
public:
    static constexpr const char* kClassName = "MobileDeviceTrackInfo";
    // The default lock distance, a signal-strength magnitude.
    static constexpr float kDefaultDistanceToLogin = 60.0f;

    // Every field empty (as copies and the payload decoder start).
    static std::shared_ptr<MobileDeviceTrackInfo> init() { return std::make_shared<MobileDeviceTrackInfo>(); }
    // Tracking on at the default distance, changed last by the Mac, not paused.
    static std::shared_ptr<MobileDeviceTrackInfo> initWithDefaultSettings();

    // Boolean: proximity lock and unlock are on for this phone.
    const std::optional<platform::Number>& shouldTrackMobileDevice() const {
        return shouldTrackMobileDevice_;
    }
    void setShouldTrackMobileDevice(std::optional<platform::Number> value) {
        shouldTrackMobileDevice_ = std::move(value);
    }
    // The distance the user chose, as a signal-strength magnitude.
    const std::optional<platform::Number>& distanceToLogin() const { return distanceToLogin_; }
    void setDistanceToLogin(std::optional<platform::Number> value) { distanceToLogin_ = std::move(value); }
    // Which side changed the tracking last: 1 the phone, 2 the Mac.
    const std::optional<platform::Number>& deviceResponsibleForLastChange() const {
        return deviceResponsibleForLastChange_;
    }
    void setDeviceResponsibleForLastChange(std::optional<platform::Number> value) {
        deviceResponsibleForLastChange_ = std::move(value);
    }
    // Boolean: paused because the user locked by hand.
    const std::optional<platform::Number>& proxLockTemporaryDisabledBecauseLogout() const {
        return proxLockTemporaryDisabledBecauseLogout_;
    }
    void setProxLockTemporaryDisabledBecauseLogout(std::optional<platform::Number> value) {
        proxLockTemporaryDisabledBecauseLogout_ = std::move(value);
    }
    // Boolean: paused because the user unlocked by hand.
    const std::optional<platform::Number>& proxLockTemporaryDisabledBecauseLogin() const {
        return proxLockTemporaryDisabledBecauseLogin_;
    }
    void setProxLockTemporaryDisabledBecauseLogin(std::optional<platform::Number> value) {
        proxLockTemporaryDisabledBecauseLogin_ = std::move(value);
    }

    std::shared_ptr<MobileDeviceTrackInfo> copyCustom() const;
    // The integer values of all five fields are equal pairwise (an empty field counts as 0).
    bool isSameAs(const MobileDeviceTrackInfo& other) const;
    // Either pause flag is set.
    bool isTemporaryDisabled() const;
    void resetTemporaryDisabledFlags();

private:
    friend class KeyedPayloadRecord<MobileDeviceTrackInfo>;
    static const RecordSchema<MobileDeviceTrackInfo>& schema();

    std::optional<platform::Number> shouldTrackMobileDevice_;
    std::optional<platform::Number> distanceToLogin_;
    std::optional<platform::Number> deviceResponsibleForLastChange_;
    std::optional<platform::Number> proxLockTemporaryDisabledBecauseLogout_;
    std::optional<platform::Number> proxLockTemporaryDisabledBecauseLogin_;
};

}  // namespace kestrune
