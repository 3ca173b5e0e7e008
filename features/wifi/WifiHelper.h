#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/system/Wifi.h"

namespace kestrune {

class WifiHelper;

class WifiHelperDelegate {
public:
    virtual ~WifiHelperDelegate() = default;
    // Once for every observed change of the Wi-Fi state.
    virtual void wifiHelperDidUpdateWifiState(WifiHelper& helper) = 0;
};

// Watches the Mac's Wi-Fi interface and answers which network it is joined to. A change of the network
// name is told to the delegate 0.1 s after the service reports it (the new name is read only then);
// power, link and mode changes at once. Every consumer re-reads the state, so a change that arrives
// twice does no harm.
class WifiHelper : public platform::WifiEventDelegate, public std::enable_shared_from_this<WifiHelper> {
public:
    static constexpr double kSSIDChangeDelay = 0.1;

    // A watcher registered for the changes.
    static std::shared_ptr<WifiHelper> create();
    ~WifiHelper() override;
    WifiHelper(const WifiHelper&) = delete;
    WifiHelper& operator=(const WifiHelper&) = delete;

    std::weak_ptr<WifiHelperDelegate> delegate;

    const std::shared_ptr<platform::WifiClient>& wifiClient() const { return wifiClient_; }
    // Null on a Mac without Wi-Fi hardware.
    const std::shared_ptr<platform::WifiInterface>& wifiInterface() const { return wifiInterface_; }

    void registerForWifiChanges();
    void registerForNewAvailableCallbacks();
    void registerForDeprecatedCallbacks();

    // The joined network's name; none when not joined, powered off or without an interface.
    std::optional<std::string> connectedWifiName() const;
    std::optional<std::string> connectedWifiBSSID() const;
    bool isConnectedToWifi() const;
    const std::shared_ptr<platform::WifiInterface>& connectedWifi() const { return wifiInterface_; }
    void wifiDidChange();

    // platform::WifiEventDelegate
    void ssidDidChangeForWiFiInterfaceWithName(const std::string& interfaceName) override;

private:
    WifiHelper() = default;

    std::shared_ptr<platform::WifiClient> wifiClient_;
    std::shared_ptr<platform::WifiInterface> wifiInterface_;
    std::vector<platform::NotificationCenter::Observation> observations_;
};

}  // namespace kestrune
