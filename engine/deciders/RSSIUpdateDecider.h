#pragma once

#include <memory>

namespace kestrune {

class MobileSettings;

// The gate before the smoothing: whether a new reading of a phone is taken in at all.
class RSSIUpdateDecider {
public:
    static bool shouldUpdateRSSIForMobileDeviceSettings(const std::shared_ptr<MobileSettings>& settings);
    static bool shouldIgnoreNewRSSISignalUpdateBecauseDeviceNotMovingForDeviceSettings(
        const std::shared_ptr<MobileSettings>& settings);
};

}  // namespace kestrune
