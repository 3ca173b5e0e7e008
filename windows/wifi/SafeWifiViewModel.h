#pragma once

#include <string>

namespace kestrune {

// What a page of the trusted Wi-Fi wizard shows: the joined network, the tracked phone and whether the
// network is trusted already.
class SafeWifiViewModel {
public:
    virtual ~SafeWifiViewModel() = default;

    std::string wifiName;
    std::string trackingIphoneName;
    bool isConnectedToWiFi = false;
    bool wifiAlreadyAdded = false;
    bool isAddingNewWifi = false;
};

}  // namespace kestrune
