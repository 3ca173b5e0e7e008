#include "engine/deciders/SafeWifiUnlockPolicy.h"

#include <mutex>

namespace kestrune {

namespace {
std::mutex gMutex;
std::shared_ptr<SafeWifiUnlockPolicy> gPolicy;
}  // namespace

void SafeWifiUnlockPolicy::install(std::shared_ptr<SafeWifiUnlockPolicy> policy) {
    std::lock_guard lock(gMutex);
    gPolicy = std::move(policy);
}

bool SafeWifiUnlockPolicy::current() {
    std::shared_ptr<SafeWifiUnlockPolicy> policy;
    {
        std::lock_guard lock(gMutex);
        policy = gPolicy;
    }
    return policy && policy->shouldUnlockForSafeWifi();
}

}  // namespace kestrune
