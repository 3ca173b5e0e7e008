#include "platform/sim/wifi/SimulatedWifi.h"

namespace platform {

std::shared_ptr<SimulatedWifi> SimulatedWifi::create() {
    return std::shared_ptr<SimulatedWifi>(new SimulatedWifi());
}

void SimulatedWifi::install() {
    WifiBackend::install(shared_from_this());
}

void SimulatedWifi::join(const std::string& ssid, const std::string& bssid) {
    bool nameChanged = false;
    bool powerChanged = false;
    {
        std::lock_guard lock(mutex_);
        powerChanged = !power_;
        power_ = true;
        nameChanged = !joined_ || joined_->ssid != ssid;
        joined_ = WifiAssociation{ssid, bssid};
    }
    if (powerChanged) reportChange(kWifiEventPowerDidChange);
    reportChange(kWifiEventLinkDidChange);
    if (nameChanged) reportChange(kWifiEventSSIDDidChange);
}

void SimulatedWifi::leave() {
    {
        std::lock_guard lock(mutex_);
        if (!joined_) return;
        joined_.reset();
    }
    reportChange(kWifiEventLinkDidChange);
    reportChange(kWifiEventSSIDDidChange);
}

void SimulatedWifi::setPower(bool on) {
    bool wasJoined = false;
    {
        std::lock_guard lock(mutex_);
        if (power_ == on) return;
        power_ = on;
        wasJoined = joined_.has_value();
        if (!on) joined_.reset();
    }
    reportChange(kWifiEventPowerDidChange);
    if (wasJoined) {
        reportChange(kWifiEventLinkDidChange);
        reportChange(kWifiEventSSIDDidChange);
    }
}

void SimulatedWifi::setMode(int32_t mode) {
    {
        std::lock_guard lock(mutex_);
        if (mode_ == mode) return;
        mode_ = mode;
    }
    reportChange(kWifiEventModeDidChange);
}

void SimulatedWifi::setHardwarePresent(bool present) {
    bool wasJoined = false;
    {
        std::lock_guard lock(mutex_);
        if (present_ == present) return;
        present_ = present;
        power_ = present;
        wasJoined = joined_.has_value();
        joined_.reset();
    }
    reportChange(kWifiEventPowerDidChange);
    if (wasJoined) reportChange(kWifiEventSSIDDidChange);
}

std::optional<std::string> SimulatedWifi::interfaceName() {
    std::lock_guard lock(mutex_);
    if (!present_) return std::nullopt;
    return std::string(kInterfaceName);
}

bool SimulatedWifi::powerOn() {
    std::lock_guard lock(mutex_);
    return present_ && power_;
}

std::optional<WifiAssociation> SimulatedWifi::association() {
    std::lock_guard lock(mutex_);
    if (!present_ || !power_) return std::nullopt;
    return joined_;
}

}  // namespace platform
