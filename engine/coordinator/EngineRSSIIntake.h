#pragma once

#include "link/requests/RSSIIntake.h"

namespace kestrune {

// The engine's gate and smoothing, offered to the phone link: every reading the link hears goes
// through the same rules the decider relies on.
class EngineRSSIIntake : public RSSIIntake {
public:
    bool shouldUpdateRSSIForMobileDeviceSettings(const std::shared_ptr<MobileSettings>& settings) override;
    void smoothenRSSI_forMobileDevice(const platform::Number& rssi,
                                      const std::shared_ptr<MobileDevice>& device) override;

    // Makes the engine's intake the link's.
    static void install();
};

}  // namespace kestrune
