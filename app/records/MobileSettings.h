#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/DeviceUser.h"
#include "app/records/KeyedPayloadRecord.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/OSXPreferences.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "platform/base/Number.h"

namespace kestrune {

// Everything this Mac and one paired phone agree on about that phone (payload of request 40). Archives
// of older versions get the nested records they lack, with their defaults, after decoding.
class MobileSettings : public KeyedPayloadRecord<MobileSettings> {
public:
    static constexpr const char* kClassName = "MobileSettings";

    // Every field empty (as copies and the payload decoder start).
    static std::shared_ptr<MobileSettings> init() { return std::make_shared<MobileSettings>(); }
    // The identifier and user given, new preference and pairing records, default tracking, no distance.
    static std::shared_ptr<MobileSettings> initWithUnId_andDeviceUser(std::optional<std::string> unId,
                                                                      std::shared_ptr<DeviceUser> user);
    // The same with a new, empty user.
    static std::shared_ptr<MobileSettings> initWithUnId(std::optional<std::string> unId);

    const std::optional<std::string>& unId() const { return unId_; }
    void setUnId(std::optional<std::string> value) { unId_ = std::move(value); }
    const std::shared_ptr<MobileDeviceTrackInfo>& mobileDeviceTrackInfo() const {
        return mobileDeviceTrackInfo_;
    }
    void setMobileDeviceTrackInfo(std::shared_ptr<MobileDeviceTrackInfo> value) {
        mobileDeviceTrackInfo_ = std::move(value);
    }
    // The Mac account registered for this phone.
    const std::shared_ptr<DeviceUser>& registeredDeviceUser() const { return registeredDeviceUser_; }
    void setRegisteredDeviceUser(std::shared_ptr<DeviceUser> value) {
        registeredDeviceUser_ = std::move(value);
    }
    // The last signal-strength magnitude read from the phone (smaller is closer).
    const std::optional<platform::Number>& distanceFromDevice() const { return distanceFromDevice_; }
    void setDistanceFromDevice(std::optional<platform::Number> value) {
        distanceFromDevice_ = std::move(value);
    }
    const std::shared_ptr<iOSPreferences>& iOSSettings() const { return iOSSettings_; }
    void setIOSSettings(std::shared_ptr<iOSPreferences> value) { iOSSettings_ = std::move(value); }
    const std::shared_ptr<OSXPreferences>& OSXSettings() const { return OSXSettings_; }
    void setOSXSettings(std::shared_ptr<OSXPreferences> value) { OSXSettings_ = std::move(value); }
    const std::shared_ptr<PairingInfo>& pairingInfo() const { return pairingInfo_; }
    void setPairingInfo(std::shared_ptr<PairingInfo> value) { pairingInfo_ = std::move(value); }

    void setDefaultValues();
    // Gives a record decoded from an older archive the nested records it lacks.
    void updateModelUpdateForNewVersion();
    void decodeWithCoder(platform::KeyedUnarchiver& coder) override;

    std::shared_ptr<MobileSettings> customCopy() const;

    // Copies this Mac's local settings into the record before it is sent.
    void updateMobileSettingsWithLocalSettings();
    // Turns proximity on or off, recording which side did it (1 the phone, 2 the Mac), and ends any pause.
    void updateKestrune_responsibleDevice(bool on, int32_t side);

    bool isPendingRSSILoginConfirmation() const;
    bool isPendingPasswordShownLoginConfirmation() const;
    bool isPendingAnyLoginConfirmation() const;
    bool shouldKnockToLogin() const;
    bool shouldShowLockOnScreen() const;
    // Tracking is on, or only paused.
    bool shouldTrackMobileDeviceOrTrackingTemporarilyDisabled() const;
    bool shouldConstantlyTrackDeviceDistance() const;
    bool shouldUpdateRemoteRssiForCurrentApplicationState() const;

    int32_t currentBatteryPercent() const;
    // 1 below 10 percent, 2 below 20, 3 below 80, else 4.
    int32_t currentBatteryLevel() const;
    bool shouldShowBatteryWarning() const;
    void updateLastConnectionTimestamp();

    // Distances in the phone's chosen unit.
    std::string currentDistanceString() const;
    std::string distanceToLockString() const;
    std::string calculate(int32_t rssi) const;
    // The lock distance right after a double check of the distance (within 0.5 s), else the current one.
    std::string rssiPrettyPrint() const;
    std::string distanceDescriptionString() const;
    double lockUnlockDistance() const;
    // 1 for a 10.9 system, 2 for 10.10, 3 for 10.11, 4 for 10.12, else 0.
    int32_t osXSystemVersion() const;

private:
    friend class KeyedPayloadRecord<MobileSettings>;
    static const RecordSchema<MobileSettings>& schema();
    int32_t chosenMetric() const;
    int32_t isWaitingForConfirmation() const;
    int32_t passwordScreenAuthMethod() const;
    int32_t onApproachAuthMethod() const;

    std::optional<std::string> unId_;
    std::shared_ptr<MobileDeviceTrackInfo> mobileDeviceTrackInfo_;
    std::shared_ptr<DeviceUser> registeredDeviceUser_;
    std::optional<platform::Number> distanceFromDevice_;
    std::shared_ptr<iOSPreferences> iOSSettings_;
    std::shared_ptr<OSXPreferences> OSXSettings_;
    std::shared_ptr<PairingInfo> pairingInfo_;
};

}  // namespace kestrune
