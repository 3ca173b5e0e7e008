#include "features/photos/FailedLoginHelper.h"

#include <algorithm>
#include <string_view>

#include "app/support/NSDateFormatterHelper.h"
#include "app/support/Utilities.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"

namespace kestrune {

std::string FailedLoginHelper::ownFolderPath(const char* folder) {
    return Utilities::applicationDataKestruneDirectory() + "/" + folder;
}

bool FailedLoginHelper::setupDirectoryToSaveFailedLoginImages() {
    return Utilities::createDirectoryIfItDoesntExist(ownFolderPath(kFailedLoginsFolder));
}

bool FailedLoginHelper::setupDirectoryToSaveManualSnapShotImages() {
    return Utilities::createDirectoryIfItDoesntExist(ownFolderPath(kManualSnapshotsFolder));
}

std::string FailedLoginHelper::failedLoginsImagesDirectoryPath() {
    return Utilities::applicationDataKestruneFailedLoginImagesDirectory();
}

std::string FailedLoginHelper::loginsImagesDirectoryPath() {
    return Utilities::applicationDataKestruneLoginImagesDirectory();
}

std::string FailedLoginHelper::snpashotImagesDirectoryPath() {
    return Utilities::applicationDataKestruneManualSnapshotsImagesDirectory();
}

std::string FailedLoginHelper::newImageFilePathFailedLoginAttemptsForDate(const platform::Date& date) {
    return failedLoginsImagesDirectoryPath() + "/" + imageNameFordate(date);
}

std::string FailedLoginHelper::newImageFilePathLoginForDate(const platform::Date& date) {
    return loginsImagesDirectoryPath() + "/" + imageNameFordate(date);
}

std::string FailedLoginHelper::newImageFilePathManualSnapshotsForDate(const platform::Date& date) {
    return snpashotImagesDirectoryPath() + "/" + imageNameFordate(date);
}

std::string FailedLoginHelper::imageNameFordate(const platform::Date& date) {
    return stringForDateToSeconds(date) + ".png";
}

bool FailedLoginHelper::isImageName(const std::string& name) {
    constexpr std::string_view kForm = "dddd-dd-dd dd:dd:dd.png";
    if (name.size() != kForm.size()) return false;
    for (size_t i = 0; i < kForm.size(); ++i) {
        const bool matches = kForm[i] == 'd' ? name[i] >= '0' && name[i] <= '9' : name[i] == kForm[i];
        if (!matches) return false;
    }
    return true;
}

std::string FailedLoginHelper::stringForDateToSeconds(const platform::Date& date) {
    return NSDateFormatterHelper::stringFromDate(date);
}

std::string FailedLoginHelper::stringForDateToMinutes(const platform::Date& date) {
    return NSDateFormatterHelper::stringToMinutesFromDate(date);
}

std::vector<std::string> FailedLoginHelper::allImageFilenames() {
    return allPngFilenamesInDirectory(failedLoginsImagesDirectoryPath());
}

std::vector<std::string> FailedLoginHelper::allPngFilenamesInDirectory(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& name : platform::Files::listDirectory(directory))
        if (platform::hasSuffix(name, ".png")) names.push_back(name);
    return names;
}

std::string FailedLoginHelper::failedLoginImagePathForImageName(const std::string& name) {
    return failedLoginsImagesDirectoryPath() + "/" + name;
}

}  // namespace kestrune
