#include "link/requests/VersionFeatureChecker.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"
#include "app/support/VersionVerifier.h"

namespace kestrune {

std::string VersionFeatureChecker::earliestIosVersionForFeature(int32_t) {
    return "3.6.1";
}

bool VersionFeatureChecker::feature_supportedOnDevice(int32_t feature,
                                                      const std::shared_ptr<MobileDevice>& device) {
    if (!device) return false;
    auto settings = DataManager::shared().settingsForDeviceId(device->unId());
    if (!settings) return false;
    std::string version =
        settings->iOSSettings() ? settings->iOSSettings()->iOSVersion().value_or("") : std::string();
    return VersionVerifier::version_isNewerOrSameThenVersion(version, earliestIosVersionForFeature(feature));
}

}  // namespace kestrune
