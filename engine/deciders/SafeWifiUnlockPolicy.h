#pragma once

#include <memory>

namespace kestrune {

// Whether a trusted Wi-Fi network unlocks the Mac now. The Wi-Fi feature sits above the engine and
// installs its answer here; until it does, no network is trusted.
class SafeWifiUnlockPolicy {
public:
    virtual ~SafeWifiUnlockPolicy() = default;
    virtual bool shouldUnlockForSafeWifi() = 0;

    static void install(std::shared_ptr<SafeWifiUnlockPolicy> policy);
    // The installed policy's answer, false when none is installed.
    static bool current();
};

}  // namespace kestrune
