#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// A phone's connection flag (set by the Mac) and service identifier (from the phone).
class MobileDeviceConnectionInfo : public KeyedPayloadRecord<MobileDeviceConnectionInfo> {
public:
    static constexpr const char* kClassName = "MobileDeviceConnectionInfo";
    static std::shared_ptr<MobileDeviceConnectionInfo> init() {
        return std::make_shared<MobileDeviceConnectionInfo>();
    }

    // Boolean.
    const std::optional<platform::Number>& isConnected() const { return isConnected_; }
    void setIsConnected(std::optional<platform::Number> value) { isConnected_ = std::move(value); }
    const std::optional<std::string>& serviceId() const { return serviceId_; }
    void setServiceId(std::optional<std::string> value) { serviceId_ = std::move(value); }

private:
    friend class KeyedPayloadRecord<MobileDeviceConnectionInfo>;
    static const RecordSchema<MobileDeviceConnectionInfo>& schema();

    std::optional<platform::Number> isConnected_;
    std::optional<std::string> serviceId_;
};

}  // namespace kestrune
