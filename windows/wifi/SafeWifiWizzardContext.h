#pragma once

#include <cstdint>
#include <memory>

#include "app/records/MobileDevice.h"
#include "app/records/SafeWifiEntry.h"

namespace kestrune {

// What the trusted Wi-Fi wizard works from: the network the Mac is joined to now, the tracked phone,
// and what the user is doing.
class SafeWifiWizzardContext {
public:
    enum Process : int64_t { kNothing = 0, kAddingNetwork = 1, kEditingList = 2 };

    // None when not joined.
    std::shared_ptr<SafeWifiEntry> currentEntry;
    // None when no phone is tracked.
    std::shared_ptr<MobileDevice> trackingMobileDevice;
    int64_t currentEntryProcess = kNothing;
};

}  // namespace kestrune
