#include "engine/deciders/LoginConfirmer.h"

namespace kestrune {

bool LoginConfirmer::shouldExecuteCommandAfterEventForIdentifier(const std::string& identifier) {
    addIdentifierIfItDoesntExist(identifier);
    if (checkEvent_.moreSecondsElapsedSinceLastTrigger(kMaxGapSeconds))
        resetExecuteCommandCheckerForIdentifier(identifier);
    checkEvent_.eventTriggered();
    int& count = dictOfLoginCounts_[identifier];
    if (count < 0) return true;
    count -= 1;
    return false;
}

void LoginConfirmer::resetExecuteCommandCheckerForIdentifier(const std::string& identifier) {
    checkEvent_.reset();
    dictOfLoginCounts_.erase(identifier);
    dictOfLoginCounts_[identifier] = numberOfChecksNeeded;
}

void LoginConfirmer::resetExecuteCommandCheckerForAllIdentifiers() {
    checkEvent_.reset();
    dictOfLoginCounts_.clear();
}

void LoginConfirmer::addIdentifierIfItDoesntExist(const std::string& identifier) {
    dictOfLoginCounts_.try_emplace(identifier, numberOfChecksNeeded);
}

}  // namespace kestrune
