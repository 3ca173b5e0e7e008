#include "link/transport/CommandLineBluetoothCache.h"

#include <mutex>

#include "app/records/DeviceLocalSettings.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "app/support/StringAddition.h"
#include "link/transport/ShellAnswers.h"
#include "platform/storage/Files.h"
#include "platform/system/SystemFiles.h"

namespace kestrune {

namespace {
std::mutex gPathMutex;
std::string gPath = CommandLineBluetoothCache::kDefaultCachePath;

void finishOnMain(const std::string& path, CommandLineBluetoothCache::Completion completion) {
    const bool deleted = !platform::Files::exists(platform::SystemFiles::pathFor(path));
    runOnMainQueueAsync([completion = std::move(completion), deleted] {
        if (completion) completion(deleted);
    });
}
}  // namespace

std::string CommandLineBluetoothCache::bluetoothCachePath() {
    std::lock_guard lock(gPathMutex);
    return gPath;
}

void CommandLineBluetoothCache::setBluetoothCachePath(std::string path) {
    std::lock_guard lock(gPathMutex);
    gPath = std::move(path);
}

bool CommandLineBluetoothCache::bluetoothCacheFileExists() {
    return platform::Files::exists(platform::SystemFiles::pathFor(bluetoothCachePath()));
}

int64_t CommandLineBluetoothCache::bluetoothCacheFileSize() {
    return fileSizeForFile(bluetoothCachePath());
}

std::string CommandLineBluetoothCache::sizeCommand(const std::string& path) {
    return "wc -c " + ShellAnswers::shellQuoted(path);
}

std::string CommandLineBluetoothCache::sudoDeleteCommand(const std::string& path) {
    return "sudo -kS rm -rf " + ShellAnswers::shellQuoted(path);
}

std::string CommandLineBluetoothCache::administratorDeleteCommand(const std::string& path) {
    const std::string inner = "sudo rm -rf " + ShellAnswers::shellQuoted(path);
    const std::string script =
        "do shell script \"" + ShellAnswers::scriptStringEscaped(inner) + "\" with administrator privileges";
    return "osascript -e " + ShellAnswers::shellQuoted(script);
}

int64_t CommandLineBluetoothCache::fileSizeForFile(const std::string& path) {
    const std::string output = ShellAnswers::current()->runShellCommand(sizeCommand(path), std::nullopt);
    size_t start = 0;
    for (;;) {
        const size_t end = output.find(' ', start);
        std::string piece = output.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (isInteger(piece)) {
            // A whole integer apart from white space at either end ("1234\n" at the end of a line).
            const size_t first = piece.find_first_not_of(" \t\r\n");
            const size_t last = piece.find_last_not_of(" \t\r\n");
            if (auto number = numberForString(piece.substr(first, last - first + 1)))
                return number->longLongValue();
        }
        if (end == std::string::npos) return -1;
        start = end + 1;
    }
}

int64_t CommandLineBluetoothCache::fileSize(const std::string& path) {
    auto size = platform::Files::fileSize(path);
    return size ? static_cast<int64_t>(*size) : -1;
}

void CommandLineBluetoothCache::deleteBluetoothPlistCacheFileWithCompletion(Completion completion) {
    deleteFile_withCompletion(bluetoothCachePath(), std::move(completion));
}

void CommandLineBluetoothCache::deleteFile_withCompletion(const std::string& path, Completion completion) {
    runInBackgroundAsync([path, completion = std::move(completion)]() mutable {
        ShellAnswers::current()->runShellCommand(administratorDeleteCommand(path), std::nullopt);
        finishOnMain(path, std::move(completion));
    });
}

void CommandLineBluetoothCache::deleteBluetoothPlistCacheFileWithSudoPass_withCompletion(
    const std::string& password, Completion completion) {
    deleteFile_withSudoPass_withCompletion(bluetoothCachePath(), password, std::move(completion));
}

void CommandLineBluetoothCache::deleteFile_withSudoPass_withCompletion(const std::string& path,
                                                                       const std::string& password,
                                                                       Completion completion) {
    runInBackgroundAsync([path, password, completion = std::move(completion)]() mutable {
        // The system's file, where the installed session keeps it.
        if (platform::Files::exists(platform::SystemFiles::pathFor(path)))
            ShellAnswers::current()->runShellCommand(sudoDeleteCommand(path), password + "\n");
        finishOnMain(path, std::move(completion));
    });
}

void KestruneCommandHelper::forceClearBluetoothCache() {
    auto& manager = DataManager::shared();
    auto phone = manager.getTrackingMobileDevice();
    if (!phone) return;
    auto password = manager.passwordClearTextForMobileDevice(phone);
    if (!password || password->empty()) return;
    if (!ShellAnswers::current()->checkIfPasswordValidForCurrentUser(*password)) return;
    CommandLineBluetoothCache::deleteBluetoothPlistCacheFileWithSudoPass_withCompletion(
        *password, [](bool deleted) {
            if (deleted) DeviceLocalSettings::shared().setTempClearBluetoothCacheDate(platform::Date::now());
        });
}

}  // namespace kestrune
