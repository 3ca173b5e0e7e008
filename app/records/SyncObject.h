#pragma once

#include <memory>
#include <optional>

#include "platform/base/Number.h"

namespace kestrune {

class Device;
class MobileSettings;

// A plain holder of a device, a phone's settings and a connection status; never stored or sent.
class SyncObject {
public:
    const std::shared_ptr<Device>& device() const { return device_; }
    void setDevice(std::shared_ptr<Device> value) { device_ = std::move(value); }
    const std::shared_ptr<MobileSettings>& mobileSettings() const { return mobileSettings_; }
    void setMobileSettings(std::shared_ptr<MobileSettings> value) { mobileSettings_ = std::move(value); }
    const std::optional<platform::Number>& connectionStatus() const { return connectionStatus_; }
    void setConnectionStatus(std::optional<platform::Number> value) { connectionStatus_ = std::move(value); }

private:
    std::shared_ptr<Device> device_;
    std::shared_ptr<MobileSettings> mobileSettings_;
    std::optional<platform::Number> connectionStatus_;
};

}  // namespace kestrune
