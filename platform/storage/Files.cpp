#include "platform/storage/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string_view>

#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"

namespace platform {

namespace {

// -1: no fault planned; otherwise the number of bytes the next atomic write may write before failing.
std::atomic<long long> plannedWriteFault{-1};

bool writeAll(int fd, const uint8_t* bytes, size_t length, long long limit) {
    size_t written = 0;
    while (written < length) {
        size_t chunk = length - written;
        if (limit >= 0) {
            size_t allowed = static_cast<size_t>(limit) > written ? static_cast<size_t>(limit) - written : 0;
            if (allowed == 0) {
                errno = ENOSPC;
                return false;
            }
            chunk = std::min(chunk, allowed);
        }
        ssize_t n = ::write(fd, bytes + written, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

void syncDirectory(const std::string& directory) {
    int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: the rename is already visible; this makes it survive a power cut
    ::close(fd);
}

std::mutex gUnwritableMutex;
std::set<std::string>& unwritableFolders() {
    static auto* folders = new std::set<std::string>();  // never destroyed: savers may run at exit
    return *folders;
}

bool isBelow(const std::string& path, const std::string& folder) {
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              (folder.back() == '/' || path[folder.size()] == '/'));
}

// Errors that say the folder itself cannot take a new file, as opposed to a failing or full disk.
bool meansUnwritableFolder(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == ENOTDIR || error == EEXIST;
}

}  // namespace

bool Files::reportUnwritableFolder(const std::string& folder, int error, const std::string& consequence) {
    {
        std::lock_guard lock(gUnwritableMutex);
        for (const auto& known : unwritableFolders())
            if (isBelow(folder, known)) return false;
        unwritableFolders().insert(folder);
    }
    // EEXIST from mkdir means something that is no folder already has the name.
    std::string reason = error == EEXIST || error == ENOTDIR
                             ? "something that is not a folder is in its place"
                             : strerror(error);
    logf("The folder %s cannot be written (%s): %s", folder.c_str(), reason.c_str(), consequence.c_str());
    return true;
}

namespace {
// A folder that takes files again (the user mended it) is reported anew if it breaks later.
void forgetUnwritableFolderOf(const std::string& path) {
    std::lock_guard lock(gUnwritableMutex);
    auto& folders = unwritableFolders();
    for (auto it = folders.begin(); it != folders.end();) {
        if (isBelow(path, *it))
            it = folders.erase(it);
        else
            ++it;
    }
}
}  // namespace

bool Files::isInUnwritableFolder(const std::string& path) {
    std::lock_guard lock(gUnwritableMutex);
    for (const auto& known : unwritableFolders())
        if (isBelow(path, known)) return true;
    return false;
}

void Files::forgetUnwritableFoldersForTesting() {
    std::lock_guard lock(gUnwritableMutex);
    unwritableFolders().clear();
}

std::string Files::parentPath(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return "";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string Files::lastPathComponent(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<Data> Files::read(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR) logf("Could not open %s: %s", path.c_str(), strerror(errno));
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        logf("Could not read %s: not a regular file", path.c_str());
        ::close(fd);
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(info.st_size));
    uint8_t buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            logf("Could not read %s: %s", path.c_str(), strerror(errno));
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return Data(std::move(bytes));
}

bool Files::writeAtomically(const std::string& path, const Data& data, mode_t mode) {
    long long limit = plannedWriteFault.exchange(-1);
    if (path.empty()) {
        logf("Could not save: empty path");
        return false;
    }
    std::string folder = parentPath(path);
    if (!folder.empty() && !createDirectories(folder, 0700)) {
        // The folder that could not be made was reported once; each save need not say so again.
        if (!isInUnwritableFolder(folder)) logf("Could not save %s: cannot create its folder", path.c_str());
        return false;
    }
    // mkstemp creates the file 0600, so the contents are never readable by others before the final mode
    // is set, and the temporary name in the same folder keeps the rename on one file system.
    std::string temp =
        (folder.empty() ? std::string() : folder + "/") + "." + lastPathComponent(path) + ".tmp-XXXXXX";
    std::vector<char> pattern(temp.begin(), temp.end());
    pattern.push_back('\0');
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        int error = errno;
        if (meansUnwritableFolder(error))
            reportUnwritableFolder(folder.empty() ? "." : folder, error);
        else
            logf("Could not save %s: cannot create a temporary file: %s", path.c_str(), strerror(error));
        return false;
    }
    temp = pattern.data();
    const char* step = nullptr;
    if (!writeAll(fd, data.bytes(), data.size(), limit)) {
        step = "write";
    } else if (::fchmod(fd, mode) != 0) {
        step = "set the mode of";
    } else if (::fsync(fd) != 0) {
        step = "flush";
    }
    int savedErrno = errno;
    if (::close(fd) != 0 && !step) {
        step = "close";
        savedErrno = errno;
    }
    if (!step && ::rename(temp.c_str(), path.c_str()) != 0) {
        step = "rename";
        savedErrno = errno;
    }
    if (step) {
        ::unlink(temp.c_str());
        logf("Could not save %s (could not %s the new contents: %s); the previous file is unchanged",
             path.c_str(), step, strerror(savedErrno));
        return false;
    }
    syncDirectory(folder);
    forgetUnwritableFolderOf(path);
    return true;
}

bool Files::appendToFile(const std::string& path, const Data& data, mode_t mode) {
    // O_NOFOLLOW refuses a link in the file's place; O_NONBLOCK keeps a pipe put there from blocking the
    // open, and the check below refuses it.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        const int error = errno;
        logf("Could not open %s to append to it: %s", path.c_str(),
             error == ELOOP ? "a link is in its place" : strerror(error));
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        logf("Could not append to %s: not a regular file", path.c_str());
        ::close(fd);
        return false;
    }
    const bool written = writeAll(fd, data.bytes(), data.size(), -1);
    const int error = errno;
    ::close(fd);
    if (!written) logf("Could not append to %s: %s", path.c_str(), strerror(error));
    return written;
}

bool Files::holdsExactly(const std::string& path, const Data& data, mode_t mode) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool same = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
                (info.st_mode & 07777) == (mode & 07777) &&
                static_cast<uint64_t>(info.st_size) == data.size();
    // Compared a piece at a time, so that a large file costs no second copy of itself.
    uint8_t buffer[16384];
    size_t compared = 0;
    while (same && compared < data.size()) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, data.size() - compared));
        if (n < 0 && errno == EINTR) continue;
        same = n > 0 && std::memcmp(buffer, data.bytes() + compared, static_cast<size_t>(n)) == 0;
        if (same) compared += static_cast<size_t>(n);
    }
    // Nothing may follow: the file did not grow while it was read.
    if (same) same = ::read(fd, buffer, 1) == 0;
    ::close(fd);
    return same;
}

bool Files::writeAtomicallyUnlessUnchanged(const std::string& path, const Data& data, mode_t mode) {
    if (holdsExactly(path, data, mode)) return true;
    return writeAtomically(path, data, mode);
}

void Files::failNextWriteAfter(size_t bytes) {
    plannedWriteFault = static_cast<long long>(bytes);
}

bool Files::exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool Files::isRegularFile(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Files::isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Files::createDirectories(const std::string& path, mode_t mode) {
    if (path.empty()) return false;
    if (isDirectory(path)) return true;
    std::string parent = parentPath(path);
    if (!parent.empty() && parent != path && !createDirectories(parent, mode)) return false;
    if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
        reportUnwritableFolder(path, errno);
        return false;
    }
    if (isDirectory(path)) return true;
    reportUnwritableFolder(path, ENOTDIR);
    return false;
}

bool Files::makePrivate(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    if ((info.st_mode & 077) == 0) return true;
    if (::chmod(path.c_str(), info.st_mode & 0700) != 0) {
        logf("Could not make %s private: %s", path.c_str(), strerror(errno));
        return false;
    }
    return true;
}

bool Files::remove(const std::string& path) {
    if (!exists(path)) return false;
    std::error_code error;
    std::filesystem::remove_all(path, error);
    if (error) {
        logf("Could not remove %s: %s", path.c_str(), error.message().c_str());
        return false;
    }
    return true;
}

bool Files::removeRegularFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) {
        logf("Did not remove %s: it is %s, not a file", path.c_str(),
             S_ISDIR(info.st_mode)   ? "a folder"
             : S_ISLNK(info.st_mode) ? "a link"
                                     : "something else");
        return false;
    }
    // unlink never removes a folder, and removes a link itself rather than what it points to, should
    // the file have been replaced since it was looked at.
    if (::unlink(path.c_str()) != 0) {
        logf("Could not remove %s: %s", path.c_str(), strerror(errno));
        return false;
    }
    return true;
}

bool Files::move(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        logf("Could not move %s to %s: %s", from.c_str(), to.c_str(), strerror(errno));
        return false;
    }
    return true;
}

std::vector<std::string> Files::listDirectory(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return names;
    while (struct dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<uint64_t> Files::fileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return static_cast<uint64_t>(info.st_size);
}

std::optional<Date> Files::modificationDate(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return Date::dateWithTimeIntervalSince1970(static_cast<double>(info.st_mtim.tv_sec) +
                                               static_cast<double>(info.st_mtim.tv_nsec) / 1e9);
}

namespace {
// Whether the name is one that an atomic save's mkstemp gives: "." + the saved file's name + ".tmp-" and
// exactly six more characters.
bool isTemporaryNameOf(const std::string& name, const std::string& savedName) {
    const std::string prefix = "." + savedName + ".tmp-";
    return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0;
}

bool isAnyTemporaryName(const std::string& name) {
    constexpr std::string_view kMark = ".tmp-";
    return name.size() > 1 + kMark.size() + 6 && name[0] == '.' &&
           name.compare(name.size() - 6 - kMark.size(), kMark.size(), kMark) == 0;
}

// Removes the regular files of the folder whose names the test accepts; the count removed.
template <typename Test>
size_t removeTemporaryFiles(const std::string& folder, Test isLeftover) {
    size_t removed = 0;
    for (const auto& name : Files::listDirectory(folder.empty() ? "." : folder)) {
        if (!isLeftover(name)) continue;
        std::string leftover = (folder.empty() ? std::string() : folder + "/") + name;
        struct stat info {};
        if (::lstat(leftover.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        if (::unlink(leftover.c_str()) == 0) {
            ++removed;
        } else {
            logf("Could not remove the leftover %s: %s", leftover.c_str(), strerror(errno));
        }
    }
    return removed;
}
}  // namespace

size_t Files::removeLeftoverTemporaryFiles(const std::string& path) {
    const std::string savedName = lastPathComponent(path);
    size_t removed = removeTemporaryFiles(
        parentPath(path), [&](const std::string& name) { return isTemporaryNameOf(name, savedName); });
    if (removed) logf("Removed %zu leftover temporary file(s) of %s", removed, path.c_str());
    return removed;
}

size_t Files::removeLeftoverTemporaryFilesInFolder(const std::string& folder) {
    size_t removed = removeTemporaryFiles(folder, isAnyTemporaryName);
    if (removed) logf("Removed %zu leftover temporary file(s) in %s", removed, folder.c_str());
    return removed;
}

namespace {
// Renames the file to "<path>.<label>-<unix time>"; none (errno set) when the rename failed.
std::optional<std::string> renameAside(const std::string& path, const std::string& label) {
    long long stamp = static_cast<long long>(std::floor(Clock::now()));
    // Two files kept in the same second must not overwrite each other's remains, so a name already
    // taken is never replaced: the rename itself refuses it where the file system can, a check before
    // it where it cannot. When every name is taken the file stays where it is.
    for (int n = 1; n < 1000; ++n) {
        const std::string target = n == 1 ? format("%s.%s-%lld", path.c_str(), label.c_str(), stamp)
                                           : format("%s.%s-%lld-%d", path.c_str(), label.c_str(), stamp, n);
        int result = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            if (Files::exists(target)) continue;
            result = ::rename(path.c_str(), target.c_str());
        }
        if (result == 0) return target;
        if (errno != EEXIST) return std::nullopt;
    }
    errno = EEXIST;
    return std::nullopt;
}
}  // namespace

std::optional<std::string> Files::keepAside(const std::string& path, const std::string& label) {
    auto target = renameAside(path, label);
    if (!target) logf("The file %s could not be moved aside: %s", path.c_str(), strerror(errno));
    return target;
}

std::optional<std::string> Files::moveAside(const std::string& path) {
    auto target = renameAside(path, "unreadable");
    if (!target) {
        logf("The file %s cannot be read and could not be moved aside: %s", path.c_str(), strerror(errno));
        return std::nullopt;
    }
    logf("The file %s cannot be read; moved it aside to %s", path.c_str(), target->c_str());
    return target;
}

}  // namespace platform
