#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kestrune {

class MobileDevice;

// The gate on the phone application's version for features that need a newer phone.
class VersionFeatureChecker {
public:
    // The shared clipboard, the only feature asked about.
    static constexpr int32_t kFeatureClipboard = 0;

    static std::string earliestIosVersionForFeature(int32_t feature);
    // False for a phone without settings; else whether its application is at least the earliest version.
    static bool feature_supportedOnDevice(int32_t feature, const std::shared_ptr<MobileDevice>& device);
};

}  // namespace kestrune
