#include "reporting/crash/store/CRKFileManager.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "reporting/crash/CRKApplication.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/store/CRKInternalReport.h"

namespace fs = std::filesystem;

namespace reporting {

namespace {

std::string lastComponent(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const auto slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string extensionOf(const std::string& path) {
    const std::string name = lastComponent(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    return name.substr(dot + 1);
}

}  // namespace

CRKFileManager::CRKFileManager()
    : CRKFileManager(CRKPathByAppendingComponent(
          CRKPathByAppendingComponent(platform::StandardFolders::caches(),
                                      std::string(CRKReverseDomainPrefix) + ".data"),
          pathNamespace())) {}

CRKFileManager::CRKFileManager(std::string rootPath) : rootPath_(std::move(rootPath)) {
    while (rootPath_.size() > 1 && rootPath_.back() == '/') rootPath_.pop_back();
}

bool CRKFileManager::isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool CRKFileManager::isInsideRoot(const std::string& path) const {
    if (rootPath_.empty() || !platform::hasPrefix(path, rootPath_ + "/")) return false;
    const std::string rest = path.substr(rootPath_.size() + 1);
    bool any = false;
    for (const std::string& component : platform::split(rest, "/")) {
        if (component.empty()) continue;
        if (component == "." || component == ".." || component.find('\0') != std::string::npos) return false;
        any = true;
    }
    return any;
}

bool CRKFileManager::createDirectoryAtPath(const std::string& path) const {
    std::error_code error;
    // Reports hold the user's data: every folder made here is private, the intermediate ones too, and
    // folders of the store left looser by an earlier version are tightened.
    std::vector<std::string> missing;
    for (fs::path each = path; !each.empty() && !fs::exists(fs::symlink_status(each, error));
         each = each.parent_path()) {
        missing.push_back(each.string());
        if (each == each.parent_path()) break;
    }
    fs::create_directories(path, error);
    if (!error) {
        for (const std::string& made : missing) chmod(made.c_str(), 0700);
        for (std::string each = path; each == rootPath_ || isInsideRoot(each);
             each = platform::Files::parentPath(each)) {
            platform::Files::makePrivate(each);
            if (each == rootPath_) break;
        }
        return true;
    }
    platform::logf("[FileManager] Unable to create directory %s: %s", path.c_str(), error.message().c_str());
    return false;
}

bool CRKFileManager::removeItemAtPath(const std::string& path) const {
    if (!isInsideRoot(path)) {
        platform::logf("[FileManager] Failed to remove file '%s' : outside the report store", path.c_str());
        return false;
    }
    std::error_code error;
    // A folder is first renamed to a hidden name beside it, in one step: a kill while its files go then
    // leaves no half-removed report that a later launch would take for a report, only a leftover that
    // the next launch sweeps (removeLeftoversOfInterruptedRemovals).
    std::string target = path;
    if (fs::is_directory(fs::symlink_status(path, error))) {
        std::string trimmed = path;
        while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
        const std::string hidden = CRKPathByAppendingComponent(
            platform::Files::parentPath(trimmed), "." + lastComponent(trimmed) + kRemovingSuffix);
        fs::remove_all(hidden, error);
        fs::rename(path, hidden, error);
        if (!error) target = hidden;
    }
    error.clear();
    // remove_all removes a symbolic link itself, never what it points to.
    const auto removed = fs::remove_all(target, error);
    if (error || removed == 0) {
        platform::logf("[FileManager] Failed to remove file '%s' : %s", path.c_str(),
                       error ? error.message().c_str() : "No such file or directory");
        return false;
    }
    return true;
}

bool CRKFileManager::removeContentsOfDirectoryAtPath(const std::string& path) const {
    bool all = true;
    for (const std::string& entry : contentsOfDirectory(path)) {
        if (!removeItemAtPath(entry)) all = false;
    }
    return all;
}

bool CRKFileManager::moveItemAtPath_toDirectory(const std::string& path, const std::string& directory) const {
    if (path.empty() || directory.empty()) {
        platform::logf("[FileManager] Failed to move file, inputs invalid");
        return false;
    }
    const std::string destination = CRKPathByAppendingComponent(directory, lastComponent(path));
    if (!isInsideRoot(path) || !isInsideRoot(destination) || !isPlainFileName(lastComponent(path))) {
        platform::logf("[FileManager] Failed to move file: %s is outside the report store", path.c_str());
        return false;
    }
    std::error_code error;
    // A folder already at the destination is never merged into or replaced: the move fails instead.
    if (fs::exists(fs::symlink_status(destination, error))) {
        platform::logf("[FileManager] Failed to move file: %s already exists", destination.c_str());
        return false;
    }
    fs::rename(path, destination, error);
    if (error) {
        platform::logf("[FileManager] Failed to move file: %s", error.message().c_str());
        return false;
    }
    return true;
}

bool CRKFileManager::moveItemsFromDirectory_toDirectory(const std::string& source,
                                                        const std::string& destination) const {
    for (const std::string& entry : contentsOfDirectory(source)) {
        if (!moveItemAtPath_toDirectory(entry, destination)) return false;
    }
    return true;
}

void CRKFileManager::enumerateFilesInDirectory_usingBlock(
    const std::string& directory,
    const std::function<void(const std::string&, const std::string&)>& block) const {
    if (!block) return;
    for (const std::string& entry : contentsOfDirectory(directory)) block(entry, extensionOf(entry));
}

std::optional<uint64_t> CRKFileManager::fileSizeAtPath(const std::string& path) const {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error) {
        platform::logf("[Client] Unable to read file size: %s", error.message().c_str());
        return std::nullopt;
    }
    return static_cast<uint64_t>(size);
}

std::vector<std::string> CRKFileManager::contentsOfDirectory(const std::string& directory) const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] != '.') names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) paths.push_back(CRKPathByAppendingComponent(directory, name));
    return paths;
}

std::string CRKFileManager::pathNamespace() {
    return CRKApplicationGetBundleIdentifier();
}

std::string CRKFileManager::structurePath() const {
    return CRKPathByAppendingComponent(rootPath_, "v3");
}
std::string CRKFileManager::activePath() const {
    return CRKPathByAppendingComponent(structurePath(), "active");
}
std::string CRKFileManager::pendingPath() const {
    return CRKPathByAppendingComponent(structurePath(), "pending");
}
std::string CRKFileManager::processingPath() const {
    return CRKPathByAppendingComponent(structurePath(), "processing");
}
std::string CRKFileManager::preparedPath() const {
    return CRKPathByAppendingComponent(structurePath(), "prepared");
}
std::vector<std::string> CRKFileManager::activePathContents() const {
    return contentsOfDirectory(activePath());
}
std::vector<std::string> CRKFileManager::processingPathContents() const {
    return contentsOfDirectory(processingPath());
}
std::vector<std::string> CRKFileManager::preparedPathContents() const {
    return contentsOfDirectory(preparedPath());
}

bool CRKFileManager::prepareForNewLaunch() const {
    if (!(createDirectoryAtPath(activePath()) && createDirectoryAtPath(processingPath()) &&
          createDirectoryAtPath(preparedPath())))
        return false;
    removeLeftoversOfInterruptedRemovals();
    return true;
}

size_t CRKFileManager::removeLeftoversOfInterruptedRemovals() const {
    size_t removed = 0;
    for (const std::string& folder : {activePath(), pendingPath(), processingPath(), preparedPath()}) {
        std::error_code error;
        std::vector<fs::path> leftovers;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            const std::string name = it->path().filename().string();
            std::error_code inner;
            if (!fs::is_directory(it->symlink_status(inner))) continue;
            const bool interrupted = name.size() > 1 + std::strlen(kRemovingSuffix) && name[0] == '.' &&
                                     platform::hasSuffix(name, kRemovingSuffix);
            // A report folder is made and filled by its run and removed files first: an empty one is
            // what a removal left when it was stopped before its last step.
            if (interrupted || (name[0] != '.' && fs::is_empty(it->path(), inner) && !inner))
                leftovers.push_back(it->path());
        }
        for (const fs::path& leftover : leftovers) {
            std::error_code removal;
            fs::remove_all(leftover, removal);
            if (removal) {
                platform::logf("[FileManager] Failed to remove the leftover '%s' : %s", leftover.c_str(),
                               removal.message().c_str());
            } else {
                ++removed;
            }
        }
    }
    if (removed)
        platform::logf(
            "[FileManager] Removed %zu report folder(s) left empty or half-removed by an earlier "
            "run",
            removed);
    return removed;
}

std::optional<std::string> CRKFileManager::setupNewPathForExecutionIdentifier(
    const std::string& identifier) const {
    if (!isPlainFileName(identifier)) {
        platform::logf("[FileManager] Unable to create directory for execution identifier '%s'",
                       identifier.c_str());
        return std::nullopt;
    }
    const std::string path = CRKPathByAppendingComponent(activePath(), identifier);
    if (!createDirectoryAtPath(path)) return std::nullopt;
    return path;
}

void CRKFileManager::removeLegacyDirectories() const {
    std::error_code error;
    if (!fs::exists(CRKPathByAppendingComponent(rootPath_, "sendable"), error)) return;
    // The root itself is the store, so it is removed directly rather than through removeItemAtPath,
    // which only removes what lies inside it.
    fs::remove_all(rootPath_, error);
    if (error) {
        platform::logf("[CrashKit:FileManager] Unable to remove legacy directory structure %s",
                       error.message().c_str());
        return;
    }
    platform::logf("[CrashKit:FileManager] Removed legacy structure at %s", rootPath_.c_str());
}

void CRKFileManager::enumerateReportsInProcessingDirectoryUsingBlock(
    const std::function<void(const std::shared_ptr<CRKInternalReport>&, const std::string&)>& block) const {
    if (!block) return;
    for (const std::string& path : processingPathContents())
        block(CRKInternalReport::reportWithPath(path), path);
}

void CRKFileManager::enumerateFilesInActiveDirectoryUsingBlock(
    const std::function<void(const std::string&, const std::string&)>& block) const {
    enumerateFilesInDirectory_usingBlock(activePath(), block);
}

void CRKFileManager::enumerateFilesInPreparedDirectoryUsingBlock(
    const std::function<void(const std::string&, const std::string&)>& block) const {
    enumerateFilesInDirectory_usingBlock(preparedPath(), block);
}

bool CRKFileManager::movePendingToProcessing() const {
    return moveItemsFromDirectory_toDirectory(pendingPath(), processingPath());
}

bool CRKFileManager::moveProcessingContentsToPrepared() const {
    return moveItemsFromDirectory_toDirectory(processingPath(), preparedPath());
}

bool CRKFileManager::removeContentsOfPendingPath() const {
    return removeContentsOfDirectoryAtPath(pendingPath());
}

bool CRKFileManager::removeContentsOfProcessingPath() const {
    return removeContentsOfDirectoryAtPath(processingPath());
}

bool CRKFileManager::removeContentsOfAllPaths() const {
    bool all = removeContentsOfDirectoryAtPath(processingPath());
    all = removeContentsOfDirectoryAtPath(pendingPath()) && all;
    all = removeContentsOfDirectoryAtPath(preparedPath()) && all;
    all = removeContentsOfDirectoryAtPath(activePath()) && all;
    return all;
}

std::string CRKPathByAppendingComponent(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace reporting
