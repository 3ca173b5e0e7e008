#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// The Bluetooth-cache operations of the command helpers: the system's Bluetooth preference file, its
// size, and deleting it with administrator rights. Commands go through the shell answers; paths are
// quoted, and a password only ever travels on standard input. Both deletions report success by looking
// for the file afterwards; their completions run on the main queue.
class CommandLineBluetoothCache {
public:
    static constexpr const char* kDefaultCachePath = "/Library/Preferences/com.apple.Bluetooth.plist";

    // The file's path: the system's unless a test or the session sets another. Linux has no such file,
    // so by default it is absent and its size reads -1.
    static std::string bluetoothCachePath();
    static void setBluetoothCachePath(std::string path);

    static bool bluetoothCacheFileExists();
    static int64_t bluetoothCacheFileSize();
    // "wc -c <path>" through the shell; the first whole integer among the output's blank-separated
    // pieces, else -1.
    static int64_t fileSizeForFile(const std::string& path);
    // The file system's size; -1 when there is no file.
    static int64_t fileSize(const std::string& path);

    using Completion = std::function<void(bool deleted)>;
    static void deleteBluetoothPlistCacheFileWithCompletion(Completion completion);
    static void deleteFile_withCompletion(const std::string& path, Completion completion);
    static void deleteBluetoothPlistCacheFileWithSudoPass_withCompletion(const std::string& password,
                                                                         Completion completion);
    static void deleteFile_withSudoPass_withCompletion(const std::string& path, const std::string& password,
                                                       Completion completion);

    // The command texts, for the session's answers and for tests.
    static std::string sizeCommand(const std::string& path);
    static std::string administratorDeleteCommand(const std::string& path);
    static std::string sudoDeleteCommand(const std::string& path);
};

// Clears the cache with the tracked phone's stored password, when that password logs in.
class KestruneCommandHelper {
public:
    static void forceClearBluetoothCache();
};

}  // namespace kestrune
