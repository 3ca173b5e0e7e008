#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/system/Wifi.h"

namespace platform {

// The simulated Mac's Wi-Fi: one interface ("en0") that joins and leaves networks as a test or the
// scenario says. Each change reports what the hardware would: joining or leaving changes the link and
// the network name, roaming to another access point of the same name changes the link only, switching
// the power changes the power (and leaves the joined network), and a mode change is reported as one.
class SimulatedWifi : public WifiBackend {
public:
    static constexpr const char* kInterfaceName = "en0";

    // A powered interface joined to no network.
    static std::shared_ptr<SimulatedWifi> create();
    // Installs it as the Wi-Fi backend of this process.
    void install();

    // Joins the network (the name as bytes, which need not be UTF-8); powers the interface on.
    void join(const std::string& ssid, const std::string& bssid);
    void leave();
    void setPower(bool on);
    // The interface's mode (station, access point, ...), only reported.
    void setMode(int32_t mode);
    // The hardware goes away (or comes back, powered and joined to nothing).
    void setHardwarePresent(bool present);

    // WifiBackend
    std::optional<std::string> interfaceName() override;
    bool powerOn() override;
    std::optional<WifiAssociation> association() override;

private:
    SimulatedWifi() = default;

    std::mutex mutex_;
    bool present_ = true;
    bool power_ = true;
    int32_t mode_ = 1;
    std::optional<WifiAssociation> joined_;
};

}  // namespace platform
