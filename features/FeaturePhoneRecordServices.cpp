#include "features/FeaturePhoneRecordServices.h"

#include "engine/evidence/KestruneIdleManager.h"
#include "engine/deciders/RssiToDistance.h"
#include "features/language/BundleLanguage.h"

namespace kestrune {

std::string FeaturePhoneRecordServices::getStringForMetric_fromRSSI(
    int32_t metric, const std::optional<platform::Number>& rssi) {
    return RssiToDistance::getStringForMetric_fromRSSI(metric, rssi.value_or(platform::Number(0)));
}

bool FeaturePhoneRecordServices::kestruneRefusedToLoginRecentlyBecauseUserWasActive() {
    return KestruneIdleManager::shared().kestruneRefusedToLoginRecentlyBecauseUserWasActive();
}

std::string FeaturePhoneRecordServices::languageToBeUsedFromSupportedLanguages() {
    return kestrune::languageToBeUsedFromSupportedLanguages();
}

}  // namespace kestrune
