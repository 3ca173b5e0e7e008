#include "features/photos/PhotoManager.h"

#include "app/records/DeviceLocalSettings.h"

namespace kestrune {

bool PhotoManager::shouldTakePhotoOnFailedLogin() const {
    return DeviceLocalSettings::shared().takePhotoOnFailedLogin();
}

bool PhotoManager::shouldTakePhotoAfterLoginLogin() const {
    return DeviceLocalSettings::shared().takePhotoAfterEachLogin();
}

}  // namespace kestrune
