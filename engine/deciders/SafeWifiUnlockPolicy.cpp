#include "engine/deciders/SafeWifiUnlockPolicy.h"

#include "platform/base/BackendSlot.h"

namespace kestrune {

void SafeWifiUnlockPolicy::install(std::shared_ptr<SafeWifiUnlockPolicy> policy) {
    platform::backendSlot<SafeWifiUnlockPolicy>().set(std::move(policy));
}

bool SafeWifiUnlockPolicy::current() {
    auto policy = platform::backendSlot<SafeWifiUnlockPolicy>().get();
    return policy && policy->shouldUnlockForSafeWifi();
}

}  // namespace kestrune
