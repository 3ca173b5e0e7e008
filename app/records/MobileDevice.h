#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"

namespace kestrune {

// A known phone: its identifier (the key of its entries in the device data), what it said about itself
// and whether it is connected. Payload of requests 12 and 49.
class MobileDevice : public KeyedPayloadRecord<MobileDevice> {
public:
    static constexpr const char* kClassName = "MobileDevice";

    // A new identifier; no nested records.
    static std::shared_ptr<MobileDevice> init();
    // The identifier given, an empty information record and a connection record saying not connected.
    static std::shared_ptr<MobileDevice> initWithUnId(std::optional<std::string> unId);

    const std::optional<std::string>& unId() const { return unId_; }
    void setUnId(std::optional<std::string> value) { unId_ = std::move(value); }
    const std::shared_ptr<MobileDeviceInfo>& mobileDeviceInfo() const { return mobileDeviceInfo_; }
    void setMobileDeviceInfo(std::shared_ptr<MobileDeviceInfo> value) {
        mobileDeviceInfo_ = std::move(value);
    }
    const std::shared_ptr<MobileDeviceConnectionInfo>& mobileDeviceConnectionInfo() const {
        return mobileDeviceConnectionInfo_;
    }
    void setMobileDeviceConnectionInfo(std::shared_ptr<MobileDeviceConnectionInfo> value) {
        mobileDeviceConnectionInfo_ = std::move(value);
    }

    // The phone's distance for display: with the flag and while the user-active indication holds, the
    // current distance followed by that indication; otherwise the settings' pretty print. None when the
    // phone has no stored settings.
    std::optional<std::string> distanceStringWithUserActiveIndication(bool indication) const;
    bool shouldShowUserActiveIndication() const;
    std::string userActiveIndicationString() const;

private:
    friend class KeyedPayloadRecord<MobileDevice>;
    static const RecordSchema<MobileDevice>& schema();

    std::optional<std::string> unId_;
    std::shared_ptr<MobileDeviceInfo> mobileDeviceInfo_;
    std::shared_ptr<MobileDeviceConnectionInfo> mobileDeviceConnectionInfo_;
};

}  // namespace kestrune
