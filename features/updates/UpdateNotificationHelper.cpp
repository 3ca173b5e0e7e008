#include "features/updates/UpdateNotificationHelper.h"

#include "app/store/DataManager.h"
#include "features/updates/UpdateController.h"

namespace kestrune {

bool UpdateNotificationHelper::shouldWarnUserAboutNewIosUpdate() const {
    return DataManager::shared().isConnectedToTrackingDevice() &&
           UpdateController::shared().newiOSVersion() &&
           iosUpdateWarningTimestamp_.moreSecondsElapsedSinceLastTrigger(kSecondsBetweenWarnings);
}

bool UpdateNotificationHelper::shouldWarnUserAboutNewKestruneVersionForMacOSX() const {
    return UpdateController::shared().newMacVersion() &&
           macOsWarningTimestamp_.moreSecondsElapsedSinceLastTrigger(kSecondsBetweenWarnings);
}

void UpdateNotificationHelper::didWarnUserAboutiOSUpdate() {
    iosUpdateWarningTimestamp_.eventTriggered();
}

void UpdateNotificationHelper::didWarnUserAboutOSXUpdate() {
    macOsWarningTimestamp_.eventTriggered();
}

}  // namespace kestrune
