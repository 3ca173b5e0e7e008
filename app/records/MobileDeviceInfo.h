#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"

namespace kestrune {

// What a phone says about itself: its name and its type (a text, unlike the Mac's family code).
class MobileDeviceInfo : public KeyedPayloadRecord<MobileDeviceInfo> {
public:
    static constexpr const char* kClassName = "MobileDeviceInfo";
    static std::shared_ptr<MobileDeviceInfo> init() { return std::make_shared<MobileDeviceInfo>(); }

    const std::optional<std::string>& deviceName() const { return deviceName_; }
    void setDeviceName(std::optional<std::string> value) { deviceName_ = std::move(value); }
    const std::optional<std::string>& deviceType() const { return deviceType_; }
    void setDeviceType(std::optional<std::string> value) { deviceType_ = std::move(value); }

private:
    friend class KeyedPayloadRecord<MobileDeviceInfo>;
    static const RecordSchema<MobileDeviceInfo>& schema();

    std::optional<std::string> deviceName_;
    std::optional<std::string> deviceType_;
};

}  // namespace kestrune
