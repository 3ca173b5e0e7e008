#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// The Mac's name and family, part of this Mac's record.
class DeviceInfo : public KeyedPayloadRecord<DeviceInfo> {
public:
    static constexpr const char* kClassName = "DeviceInfo";
    static std::shared_ptr<DeviceInfo> init() { return std::make_shared<DeviceInfo>(); }

    // The localized computer name without a bracketed counter.
    const std::optional<std::string>& deviceName() const { return deviceName_; }
    void setDeviceName(std::optional<std::string> value) { deviceName_ = std::move(value); }
    // Declared as a number; the Mac never sets it.
    const std::optional<platform::Number>& deviceDescription() const { return deviceDescription_; }
    void setDeviceDescription(std::optional<platform::Number> value) {
        deviceDescription_ = std::move(value);
    }
    // The family code (FTWDevice::deviceFamily), unsigned.
    const std::optional<platform::Number>& deviceType() const { return deviceType_; }
    void setDeviceType(std::optional<platform::Number> value) { deviceType_ = std::move(value); }

    // Named so (not copyCustom): the phone's records use the same names.
    std::shared_ptr<DeviceInfo> copyCostom() const;

private:
    friend class KeyedPayloadRecord<DeviceInfo>;
    static const RecordSchema<DeviceInfo>& schema();

    std::optional<std::string> deviceName_;
    std::optional<platform::Number> deviceDescription_;
    std::optional<platform::Number> deviceType_;
};

}  // namespace kestrune
