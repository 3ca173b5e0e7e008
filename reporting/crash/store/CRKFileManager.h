#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace reporting {

class CRKInternalReport;

// The crash kit's report store: one folder per run under
//   <caches>/<kit prefix>.data/<bundle identifier with "/" as "_">/v3/{active,pending,processing,prepared}
// and the moves between those folders, each a single rename, so a report is always whole in exactly
// one folder, even when the process is killed between two moves.
//
// The store removes and moves only what lies inside its own root: a path that leaves the root (".."
// components, another absolute path, a name taken from a report's contents that is not a plain file
// name) is refused and logged, whatever a report says.
class CRKFileManager {
public:
    // A folder being removed is first renamed to "." + its name + this suffix.
    static constexpr const char* kRemovingSuffix = ".removing";

    CRKFileManager();
    // Tests and tools: a store at another root.
    explicit CRKFileManager(std::string rootPath);

    const std::string& rootPath() const { return rootPath_; }

    bool createDirectoryAtPath(const std::string& path) const;
    bool removeItemAtPath(const std::string& path) const;
    bool removeContentsOfDirectoryAtPath(const std::string& path) const;
    bool moveItemAtPath_toDirectory(const std::string& path, const std::string& directory) const;
    bool moveItemsFromDirectory_toDirectory(const std::string& source, const std::string& destination) const;
    // block(full path, path extension) for each visible entry.
    void enumerateFilesInDirectory_usingBlock(
        const std::string& directory,
        const std::function<void(const std::string&, const std::string&)>& block) const;
    std::optional<uint64_t> fileSizeAtPath(const std::string& path) const;
    // Full paths of the visible entries (names not beginning with "."), in name order.
    std::vector<std::string> contentsOfDirectory(const std::string& directory) const;

    static std::string pathNamespace();
    std::string structurePath() const;
    std::string activePath() const;
    std::string pendingPath() const;
    std::string processingPath() const;
    std::string preparedPath() const;
    std::vector<std::string> activePathContents() const;
    std::vector<std::string> processingPathContents() const;
    std::vector<std::string> preparedPathContents() const;

    // Creates active, processing and prepared, then removes what removals cut short by a kill left
    // (removeLeftoversOfInterruptedRemovals). Called at each launch before this run's folder is made.
    bool prepareForNewLaunch() const;
    // Removes, in active, pending, processing and prepared, the report folders that are empty and the
    // hidden remains of folders whose removal was interrupted. Answers how many went.
    size_t removeLeftoversOfInterruptedRemovals() const;
    // Creates active/<identifier>; none when the identifier is not a plain folder name or the folder
    // cannot be made.
    std::optional<std::string> setupNewPathForExecutionIdentifier(const std::string& identifier) const;
    void removeLegacyDirectories() const;
    void enumerateReportsInProcessingDirectoryUsingBlock(
        const std::function<void(const std::shared_ptr<CRKInternalReport>&, const std::string&)>& block)
        const;
    void enumerateFilesInActiveDirectoryUsingBlock(
        const std::function<void(const std::string&, const std::string&)>& block) const;
    void enumerateFilesInPreparedDirectoryUsingBlock(
        const std::function<void(const std::string&, const std::string&)>& block) const;
    bool movePendingToProcessing() const;
    bool moveProcessingContentsToPrepared() const;
    bool removeContentsOfPendingPath() const;
    bool removeContentsOfProcessingPath() const;
    bool removeContentsOfAllPaths() const;

    // True for a name that can only mean an entry of the folder it is joined to: not empty, not "." or
    // "..", without "/" or a zero byte.
    static bool isPlainFileName(const std::string& name);
    // True when the path lies strictly inside the store's root (judged on its text: no "." or ".."
    // component, the root as a prefix).
    bool isInsideRoot(const std::string& path) const;

private:
    std::string rootPath_;
};

// The path of a name inside a folder.
std::string CRKPathByAppendingComponent(const std::string& folder, const std::string& name);

}  // namespace reporting
