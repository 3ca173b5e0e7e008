#pragma once

#include <memory>
#include <string>

#include "app/records/BaseEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "windows/sharing/LoginPhotoContainer.h"
#include "windows/sharing/MugShotContainer.h"

namespace kestrune {

namespace ui = platform::ui;

// Share images: a stored photo laid out on its card and pictured as one image.
class MugShotGenerator {
public:
    static constexpr const char* kSharedFileName = "kestrune_mughsot.png";

    // A failed-login or manual photo on the line-up card, with its date and this Mac's name.
    static std::shared_ptr<ui::Image> generateMugshotFailedLoginEntry(const BaseEntry& entry);
    // A photo after an unlock, with how the Mac was unlocked and when.
    static std::shared_ptr<ui::Image> generateLoginImageEntry(const LoginLogoutEntry& entry);
    // The cards themselves, filled in for the record (what the two above picture).
    static std::shared_ptr<MugShotContainer> failedLoginCardForEntry(const BaseEntry& entry);
    static std::shared_ptr<LoginPhotoContainer> loginCardForEntry(const LoginLogoutEntry& entry);
    // Rounded corners of 10 points that cut the picture, no border.
    static void setupImageViewForSnapshot(ui::ImageView& imageView);
    // Where a share image is saved: in the application's Documents folder.
    static std::string mugShotFilePathInDocuments();
    // The share image saved last (by any window), so that the "saved" notification shows that file;
    // until one is saved, mugShotFilePathInDocuments. Any thread.
    static void rememberSavedMugShotPath(const std::string& path);
    static std::string lastSavedMugShotPath();
    static void forgetSavedMugShotPathForTesting();
};

}  // namespace kestrune
