#include "link/transport/RecoveryManager.h"

#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

RecoveryManager& RecoveryManager::shared() {
    static platform::SharedInstance<RecoveryManager> instance;
    return instance.get([] { return new RecoveryManager; });
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
