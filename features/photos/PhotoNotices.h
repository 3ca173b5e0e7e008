#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

// Why the photo window has no photos to show, and which explanation its notice button opens.
class PhotoNotices {
public:
    // What the choice depends on.
    struct Facts {
        std::string systemVersion;
        bool hasCamera = true;
        bool takePhotoOnFailedLogin = true;
        bool takePhotoAfterEachLogin = false;
        // The running system, the camera and the local settings now.
        static Facts current();
    };

    // The popover's type: for failed-login photos 3 on 10.12 and later, 4 without a camera, 7 while
    // they are not taken, else 9; for photos after logins 5 without a camera, 6 while they are not
    // taken, else 8.
    static int32_t popoverTypeForFailedLoginAttempts(bool failedLoginPhotosShown, const Facts& facts);
    // The localization key of the notice shown instead of an empty grid.
    static std::string noPictureTextKey(bool loginPhotosShown, const Facts& facts);
    // Its picture: "placeholder" with a camera, "wizzard_refund_smiley" without one.
    static std::string noPictureImageName(const Facts& facts);
};

}  // namespace kestrune
