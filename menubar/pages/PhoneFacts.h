#pragma once

#include <memory>
#include <string>

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"

namespace kestrune {

// What the pages read of the tracked phone at each rebuild.
struct PhoneFacts {
    std::shared_ptr<MobileDevice> phone;
    std::shared_ptr<MobileSettings> settings;
    bool connected = false;

    // The tracked phone as the data manager has it now; no phone when none is tracked.
    static PhoneFacts current();
    explicit operator bool() const { return phone != nullptr; }
    std::string deviceName() const;
    // The phone's distance for display, "" when it has none.
    std::string distanceText() const;
    bool tracked() const;
    bool pausedByManualLogin() const;
};

}  // namespace kestrune
