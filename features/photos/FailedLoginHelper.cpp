#include "features/photos/FailedLoginHelper.h"

#include <algorithm>
#include <chrono>
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
    const auto number = [&](size_t at, size_t digits) {
        int value = 0;
        for (size_t i = at; i < at + digits; ++i) value = value * 10 + (name[i] - '0');
        return value;
    };
    // The formatter only ever names a moment that was: a day of its month (29 February in leap years
    // alone), hours 0-23, minutes and seconds 0-59. Checked field by field rather than parsed back in the
    // local time zone, which may have changed since the photo was named.
    const std::chrono::year_month_day day{std::chrono::year{number(0, 4)},
                                          std::chrono::month{static_cast<unsigned>(number(5, 2))},
                                          std::chrono::day{static_cast<unsigned>(number(8, 2))}};
    return day.ok() && number(11, 2) <= 23 && number(14, 2) <= 59 && number(17, 2) <= 59;
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
