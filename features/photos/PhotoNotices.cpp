#include "features/photos/PhotoNotices.h"

#include "app/records/DeviceLocalSettings.h"
#include "features/photos/ImageSnap.h"

namespace kestrune {

PhotoNotices::Facts PhotoNotices::Facts::current() {
    Facts facts;
    facts.hasCamera = ImageSnap::hasVideoDevice();
    facts.takePhotoOnFailedLogin = DeviceLocalSettings::shared().takePhotoOnFailedLogin();
    facts.takePhotoAfterEachLogin = DeviceLocalSettings::shared().takePhotoAfterEachLogin();
    return facts;
}

int32_t PhotoNotices::popoverTypeForFailedLoginAttempts(bool failedLoginPhotosShown, const Facts& facts) {
    if (failedLoginPhotosShown) {
        if (!facts.hasCamera) return 4;
        if (!facts.takePhotoOnFailedLogin) return 7;
        return 9;
    }
    if (!facts.hasCamera) return 5;
    if (!facts.takePhotoAfterEachLogin) return 6;
    return 8;
}

std::string PhotoNotices::noPictureTextKey(bool loginPhotosShown, const Facts& facts) {
    if (!facts.hasCamera) return "no_appropriate_camera_attached";
    if (loginPhotosShown)
        return facts.takePhotoAfterEachLogin ? "no_detected_logins_photo attempts"
                                             : "enable_option_in_settings";
    return facts.takePhotoOnFailedLogin ? "no_login_photos" : "enable_option_in_settings";
}

std::string PhotoNotices::noPictureImageName(const Facts& facts) {
    return facts.hasCamera ? "placeholder" : "wizzard_refund_smiley";
}

}  // namespace kestrune
