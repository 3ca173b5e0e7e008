#pragma once

#include <cstdint>

namespace kestrune {

class SafeWifiFinishController;

// Hears the finish page: 1 done.
class SafeWifiFinishControllerDelegate {
public:
    virtual ~SafeWifiFinishControllerDelegate() = default;
    virtual void safeWifiFinishController_didSelectOption(SafeWifiFinishController& page, int64_t option) = 0;
};

}  // namespace kestrune
