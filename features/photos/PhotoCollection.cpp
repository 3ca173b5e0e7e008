#include "features/photos/PhotoCollection.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "app/support/Utilities.h"
#include "features/photos/FailedLoginHelper.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"

namespace kestrune {

namespace {
// Where the application's photos may be: its photo folders, and the Documents folder that stands in for
// one that could not be made or is a link.
struct PhotoPlaces {
    std::vector<std::string> folders = Utilities::photoFolderPaths();
    std::string documents = Utilities::documentsDirectory();
};

// The Documents folder is the user's and holds anything: only a file that this account owns, named as
// photos are named (a real moment), is taken for one. Not a file with another name elsewhere either: it
// is that other file as much as a photo, and showing or deleting it would reach past the folder. The
// name itself is looked at, never what a link there points to.
bool isFallbackPhoto(const std::string& path) {
    if (!FailedLoginHelper::isImageName(platform::Files::lastPathComponent(path))) return false;
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
           info.st_nlink == 1;
}

bool isPhotoIn(const std::string& path, const PhotoPlaces& places) {
    const std::string folder = platform::Files::parentPath(path);
    if (std::find(places.folders.begin(), places.folders.end(), folder) != places.folders.end())
        return platform::Files::isRegularFile(path) && Utilities::isFolderItself(folder);
    return folder == places.documents && isFallbackPhoto(path);
}
}  // namespace

bool PhotoCollection::isOwnPhotoFile(const std::string& path) {
    return isPhotoIn(path, PhotoPlaces{});
}

PhotoCollection::Entries PhotoCollection::entriesWithMugShots(const Entries& entries) {
    const PhotoPlaces places;
    Entries kept;
    for (const auto& entry : entries)
        if (entry && entry->imagePath() && isPhotoIn(*entry->imagePath(), places)) kept.push_back(entry);
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
