#include "features/photos/TakePhotoManager.h"

#include <algorithm>

#include "app/shell/ThreadHelpers.h"
#include "app/support/Utilities.h"
#include "features/photos/FailedLoginHelper.h"
#include "features/photos/ImageSnap.h"
#include "platform/base/Log.h"
#include "platform/storage/Files.h"

namespace kestrune {

void TakePhotoManager::takePhotoAndSaveToFilePath_completion(const std::string& path,
                                                             std::function<void(bool success)> completion) {
    // One camera serves: callers expect one file at the path and one answer per photo.
    auto camera = ImageSnap::defaultVideoDevice();
    if (!camera) {
        platform::logf("TakePhotoManager: no camera; no photo for %s", path.c_str());
        return;
    }
    if (!FailedLoginHelper::setupDirectoryToSaveFailedLoginImages() ||
        !FailedLoginHelper::setupDirectoryToSaveManualSnapShotImages()) {
        platform::logf("TakePhotoManager: the photo folders cannot be made; no photo for %s", path.c_str());
        return;
    }
    // A photo path names its folder when the record is made; should that folder be a link, the photo
    // would land where it is never shown, deleted or swept.
    const std::string folder = platform::Files::parentPath(path);
    const auto photoFolders = Utilities::photoFolderPaths();
    if (std::find(photoFolders.begin(), photoFolders.end(), folder) != photoFolders.end() &&
        !Utilities::isFolderItself(folder)) {
        platform::logf(
            "TakePhotoManager: the photo folder %s is a link or no folder; no photo is written "
            "through it, none for %s",
            folder.c_str(), path.c_str());
        return;
    }
    runOnMainQueueAsync([camera, path, completion = std::move(completion)] {
        ImageSnap::saveSingleSnapshotFrom_toFile_withWarmup_completion(
            camera, path, kWarmup, [path, completion](bool success) {
                // "Outcome: " lines make the timeline of a scenario run.
                if (success)
                    platform::logf("Outcome: photo saved: %s", path.c_str());
                else
                    platform::logf("Outcome: no photo: the camera gave none for %s", path.c_str());
                if (completion) completion(success);
            });
    });
}

}  // namespace kestrune
