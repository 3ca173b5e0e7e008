#include "engine/evidence/KestruneIdleManager.h"

#include "engine/evidence/IdleTimer.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {
platform::SharedInstance<KestruneIdleManager> gSharedKestruneIdleManager;
}  // namespace

KestruneIdleManager& KestruneIdleManager::shared() {
    return gSharedKestruneIdleManager.get([] { return KestruneIdleManager::make(); });
}

void KestruneIdleManager::resetSharedForTesting() {
    gSharedKestruneIdleManager.resetForTesting();
}

void KestruneIdleManager::kestruneRefusedToLoginBecauseUserActive() {
    userDidNotLogoutBecauseUserActive->eventTriggered();
}

bool KestruneIdleManager::kestruneRefusedToLoginRecentlyBecauseUserWasActive() const {
    return !userDidNotLogoutBecauseUserActive->moreSecondsElapsedSinceLastTrigger(6.0);
}

bool KestruneIdleManager::userWasActiveInTheLastSeconds(double seconds) const {
    return seconds > static_cast<double>(IdleTimer::userNotActiveForSeconds());
}

bool KestruneIdleManager::userWasVeryRecentlyActive() const {
    return IdleTimer::userNotActiveForSeconds() < 1;
}

bool KestruneIdleManager::userWasRecentlyActive() const {
    return IdleTimer::userNotActiveForSeconds() < 3;
}

}  // namespace kestrune
