#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

// Why the photo window has no photos to show, and which explanation its notice button opens.
class PhotoNotices {
public:
    // What the choice depends on. Not the system's version: the application detects failed logins and
    // photographs them on every version it runs on, so no version makes their photos unavailable.
    struct Facts {
        bool hasCamera = true;
        bool takePhotoOnFailedLogin = true;
        bool takePhotoAfterEachLogin = false;
        // The running system, the camera and the local settings now.
        static Facts current();
    };

    // The popover's type: for failed-login photos 4 without a camera, 7 while they are not taken, else 9;
    // for photos after logins 5 without a camera, 6 while they are not taken, else 8. (Type 3, the
    // feature missing from the system, is never chosen.)
    static int32_t popoverTypeForFailedLoginAttempts(bool failedLoginPhotosShown, const Facts& facts);
    // The localization key of the notice shown instead of an empty grid.
    static std::string noPictureTextKey(bool loginPhotosShown, const Facts& facts);
    // Its picture: "placeholder" with a camera, "wizzard_refund_smiley" without one.
    static std::string noPictureImageName(const Facts& facts);
};

}  // namespace kestrune
