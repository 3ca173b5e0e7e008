#include "link/transport/RecoveryManager.h"

#include "platform/base/NotificationCenter.h"

namespace kestrune {

RecoveryManager& RecoveryManager::shared() {
    static RecoveryManager* manager = new RecoveryManager();
    return *manager;
}

void RecoveryManager::startRecoveryMode() {
    setRecovery(true);
}

void RecoveryManager::stopRecoveryMode() {
    setRecovery(false);
}

void RecoveryManager::setRecovery(bool on) {
    if (isRecovery_.exchange(on) == on) return;
    platform::NotificationCenter::defaultCenter().post(kRecoveryUpdateNotification, this);
}

void RecoveryManager::resetSharedForTesting() {
    shared().isRecovery_.store(false);
}

}  // namespace kestrune
