#pragma once

#include <string>
#include <vector>

#include "platform/base/Date.h"

namespace kestrune {

// Where photos go: three folders in the application's data folder, each photo named by the moment it
// was taken ("yyyy-MM-dd HH:mm:ss.png", local time). Two photos of one kind in the same second share a
// name; the later replaces the earlier.
class FailedLoginHelper {
public:
    static constexpr const char* kFailedLoginsFolder = "MugShots";
    static constexpr const char* kLoginsFolder = "LoginImages";
    static constexpr const char* kManualSnapshotsFolder = "ManualSnapshots";

    // Create the folder when needed; true when it exists afterwards.
    static bool setupDirectoryToSaveFailedLoginImages();
    static bool setupDirectoryToSaveManualSnapShotImages();

    // Each folder, created when first asked for (the Documents folder when it cannot be).
    static std::string failedLoginsImagesDirectoryPath();
    static std::string loginsImagesDirectoryPath();
    static std::string snpashotImagesDirectoryPath();

    static std::string newImageFilePathFailedLoginAttemptsForDate(const platform::Date& date);
    static std::string newImageFilePathLoginForDate(const platform::Date& date);
    static std::string newImageFilePathManualSnapshotsForDate(const platform::Date& date);
    static std::string imageNameFordate(const platform::Date& date);
    // Whether the name is one imageNameFordate can give: "dddd-dd-dd dd:dd:dd.png", digits at the d's,
    // naming a real moment (a month 1-12, a day of that month, hours 0-23, minutes and seconds 0-59).
    static bool isImageName(const std::string& name);
    static std::string stringForDateToSeconds(const platform::Date& date);
    static std::string stringForDateToMinutes(const platform::Date& date);

    // The names in "MugShots" ending in ".png", and the same for any folder.
    static std::vector<std::string> allImageFilenames();
    static std::vector<std::string> allPngFilenamesInDirectory(const std::string& directory);
    static std::string failedLoginImagePathForImageName(const std::string& name);

    // The folder itself inside the data folder, never its Documents stand-in: what may be removed whole.
    static std::string ownFolderPath(const char* folder);
};

}  // namespace kestrune
