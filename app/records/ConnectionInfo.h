#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// This Mac's service identifier and connection flag.
class ConnectionInfo : public KeyedPayloadRecord<ConnectionInfo> {
public:
    static constexpr const char* kClassName = "ConnectionInfo";
    static std::shared_ptr<ConnectionInfo> init() { return std::make_shared<ConnectionInfo>(); }

    const std::optional<std::string>& serviceId() const { return serviceId_; }
    void setServiceId(std::optional<std::string> value) { serviceId_ = std::move(value); }
    // Boolean.
    const std::optional<platform::Number>& isConnected() const { return isConnected_; }
    void setIsConnected(std::optional<platform::Number> value) { isConnected_ = std::move(value); }

    std::shared_ptr<ConnectionInfo> copyCustom() const;

private:
    friend class KeyedPayloadRecord<ConnectionInfo>;
    static const RecordSchema<ConnectionInfo>& schema();

    std::optional<std::string> serviceId_;
    std::optional<platform::Number> isConnected_;
};

}  // namespace kestrune
