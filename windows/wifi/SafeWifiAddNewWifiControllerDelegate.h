#pragma once

#include <cstdint>

namespace kestrune {

class SafeWifiAddNewWifiController;

// Hears the add page: 0 add the network, 1 go to the list, 2 cancel.
class SafeWifiAddNewWifiControllerDelegate {
public:
    virtual ~SafeWifiAddNewWifiControllerDelegate() = default;
    virtual void SafeWifiAddNewWifiController_didSelectOption(SafeWifiAddNewWifiController& page,
                                                              int64_t option) = 0;
};

}  // namespace kestrune
