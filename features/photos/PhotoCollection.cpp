#include "features/photos/PhotoCollection.h"

#include <algorithm>
#include <cctype>

#include "app/support/Utilities.h"
#include "features/photos/FailedLoginHelper.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"

namespace kestrune {

namespace {
// Where the application's photos may be: its photo folders, and the Documents folder that stands in for
// one that could not be made.
struct PhotoPlaces {
    std::vector<std::string> folders = Utilities::photoFolderPaths();
    std::string documents = Utilities::documentsDirectory();
};

bool isPhotoIn(const std::string& path, const PhotoPlaces& places) {
    const std::string folder = platform::Files::parentPath(path);
    if (std::find(places.folders.begin(), places.folders.end(), folder) != places.folders.end())
        return platform::Files::isRegularFile(path) && Utilities::isFolderItself(folder);
    // The Documents folder is the user's: only a file named as photos are named is taken for one.
    return folder == places.documents &&
           FailedLoginHelper::isImageName(platform::Files::lastPathComponent(path)) &&
           platform::Files::isRegularFile(path);
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
