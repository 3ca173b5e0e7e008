#include "features/photos/PhotoCollection.h"

#include <algorithm>
#include <cctype>

#include "platform/base/Strings.h"
#include "platform/storage/Files.h"

namespace kestrune {

PhotoCollection::Entries PhotoCollection::entriesWithMugShots(const Entries& entries) {
    Entries kept;
    for (const auto& entry : entries)
        if (entry && entry->mugShotImageExists()) kept.push_back(entry);
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
