#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Number.h"

namespace kestrune {

// What the phone and settings records ask of the higher layers: the distance model's display text, the
// idle manager's recent refusal and the interface-language choice. Those layers install their answers
// here; until they do, a default answers with an empty distance text, no refusal and "en".
class PhoneRecordServices {
public:
    virtual ~PhoneRecordServices() = default;

    // The display text of a signal-strength magnitude in the unit (1 metres, 2 feet, 3 signal
    // strength); an empty magnitude counts as 0.
    virtual std::string getStringForMetric_fromRSSI(int32_t metric,
                                                    const std::optional<platform::Number>& rssi) = 0;
    // An unlock was refused within the last 6 seconds because the user was active.
    virtual bool kestruneRefusedToLoginRecentlyBecauseUserWasActive() = 0;
    // The interface language to use among the supported ones.
    virtual std::string languageToBeUsedFromSupportedLanguages() = 0;

    static std::shared_ptr<PhoneRecordServices> current();
    static void install(std::shared_ptr<PhoneRecordServices> services);
};

}  // namespace kestrune
