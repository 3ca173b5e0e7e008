#pragma once

#include "app/records/PhoneRecordServices.h"

namespace kestrune {

// The answers the phone and settings records need from above the data model: distance texts from the
// distance model, the idle manager's recent refusal, and the best interface language.
class FeaturePhoneRecordServices : public PhoneRecordServices {
public:
    std::string getStringForMetric_fromRSSI(int32_t metric,
                                            const std::optional<platform::Number>& rssi) override;
    bool kestruneRefusedToLoginRecentlyBecauseUserWasActive() override;
    std::string languageToBeUsedFromSupportedLanguages() override;
};

}  // namespace kestrune
