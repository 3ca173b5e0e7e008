#pragma once

#include <memory>
#include <optional>

#include "platform/base/Number.h"

namespace kestrune {

class MobileDevice;

// Blends a new reading into the phone's stored one; the record is changed, not saved.
class RSSISmoothener {
public:
    static void smoothenRSSI_forMobileDevice(const platform::Number& rssi,
                                             const std::shared_ptr<MobileDevice>& device);
    // A missing stored value reads as 0; a reading out of range leaves the stored value as it is.
    static std::optional<platform::Number> smootherRssi_oldRSSI(const platform::Number& rssi,
                                                                const std::optional<platform::Number>& old);
};

}  // namespace kestrune
