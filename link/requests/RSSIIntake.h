#pragma once

#include <memory>

#include "platform/base/Number.h"

namespace kestrune {

class MobileDevice;
class MobileSettings;

// The engine's gate and smoothing of signal-strength readings. The request dispatcher asks the gate
// for every reading of a phone and, when it lets the reading in, has it folded into the phone's
// distanceFromDevice. Until the engine installs its own, every reading is let in and stored as it is.
class RSSIIntake {
public:
    virtual ~RSSIIntake() = default;

    virtual bool shouldUpdateRSSIForMobileDeviceSettings(const std::shared_ptr<MobileSettings>& settings) = 0;
    // Folds the reading (a positive magnitude) into the phone's settings; does not save.
    virtual void smoothenRSSI_forMobileDevice(const platform::Number& rssi,
                                              const std::shared_ptr<MobileDevice>& device) = 0;

    static std::shared_ptr<RSSIIntake> current();
    // Null restores the default.
    static void install(std::shared_ptr<RSSIIntake> intake);
};

}  // namespace kestrune
