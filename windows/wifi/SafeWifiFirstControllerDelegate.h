#pragma once

#include <cstdint>

namespace kestrune {

class SafeWifiFirstController;

// Hears the welcome page: 0 add a network, 1 edit the list.
class SafeWifiFirstControllerDelegate {
public:
    virtual ~SafeWifiFirstControllerDelegate() = default;
    virtual void safeWifiFirstController_didSelectOption(SafeWifiFirstController& page, int64_t option) = 0;
};

}  // namespace kestrune
