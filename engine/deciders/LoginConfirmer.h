#pragma once

#include <map>
#include <string>

#include "app/support/EventTimestamp.h"

namespace kestrune {

// Confirms a crossing of the lock radius by a run of events close together: from a reset, ten events
// answer NO and the eleventh YES, as long as no gap exceeds 0.8 s. One timestamp serves all phones.
class LoginConfirmer {
public:
    static constexpr int numberOfChecksNeeded = 9;
    static constexpr double kMaxGapSeconds = 0.8;

    LoginConfirmer() { resetExecuteCommandCheckerForAllIdentifiers(); }

    bool shouldExecuteCommandAfterEventForIdentifier(const std::string& identifier);
    void resetExecuteCommandCheckerForIdentifier(const std::string& identifier);
    void resetExecuteCommandCheckerForAllIdentifiers();
    void addIdentifierIfItDoesntExist(const std::string& identifier);

private:
    EventTimestamp checkEvent_;
    std::map<std::string, int> dictOfLoginCounts_;
};

}  // namespace kestrune
