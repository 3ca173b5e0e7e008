#include "features/photos/PhotoCollection.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "app/support/Utilities.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"

namespace kestrune {

namespace {
bool isFolderItself(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isPhotoIn(const std::string& path, const std::vector<std::string>& folders) {
    const std::string folder = platform::Files::parentPath(path);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) return false;
    return platform::Files::isRegularFile(path) && isFolderItself(folder);
}
}  // namespace

bool PhotoCollection::isOwnPhotoFile(const std::string& path) {
    return isPhotoIn(path, Utilities::photoFolderPaths());
}

PhotoCollection::Entries PhotoCollection::entriesWithMugShots(const Entries& entries) {
    const std::vector<std::string> folders = Utilities::photoFolderPaths();
    Entries kept;
    for (const auto& entry : entries)
        if (entry && entry->imagePath() && isPhotoIn(*entry->imagePath(), folders)) kept.push_back(entry);
    return kept;
}

PhotoCollection::Entries PhotoCollection::shownEntries(bool failedLogins, const Entries& failedLoginEntries,
                                                       bool logins, const Entries& historyEntries,
                                                       bool manualSnapshots, const Entries& snapshotEntries) {
    Entries shown;
    const auto append = [&](bool wanted, const Entries& entries) {
        if (!wanted) return;
        const Entries kept = entriesWithMugShots(entries);
        shown.insert(shown.end(), kept.begin(), kept.end());
    };
    append(failedLogins, failedLoginEntries);
    append(logins, historyEntries);
    append(manualSnapshots, snapshotEntries);
    return shown;
}

std::optional<std::string> PhotoCollection::firstFreeMugshotPath(const std::string& folder, int lastNumber) {
    const std::string base = folder + "/" + kMugshotBaseName;
    if (!platform::Files::exists(base)) return base;
    for (int number = 1; number <= lastNumber; ++number) {
        const std::string path = folder + "/" + platform::format("kestrune_mugshot(%d).png", number);
        if (!platform::Files::exists(path)) return path;
    }
    return std::nullopt;
}

bool PhotoCollection::imagePathMatches(const BaseEntry& entry, const std::string& path) {
    const auto& own = entry.imagePath();
    if (!own || own->size() != path.size()) return false;
    // A path is a name, not a pattern: "*" and "?" in it stand for themselves.
    return std::equal(own->begin(), own->end(), path.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace kestrune
