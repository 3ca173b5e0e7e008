#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/records/BaseEntry.h"

namespace kestrune {

// The records the photo window shows, and where a share image it saves goes. Pure functions of their
// input (and of the files present): any thread may run them on records nobody changes meanwhile.
class PhotoCollection {
public:
    using Entries = std::vector<std::shared_ptr<BaseEntry>>;
    static constexpr const char* kMugshotBaseName = "kestrune_mugshot.png";
    static constexpr int kLastNumberedName = 9999;

    // The shown kinds in their order, each kept in its own order (newest first) and cut to the records
    // whose photo file is one of the application's own (below).
    static Entries shownEntries(bool failedLogins, const Entries& failedLoginEntries, bool logins,
                                const Entries& historyEntries, bool manualSnapshots,
                                const Entries& snapshotEntries);
    // The records whose photo file is one of the application's own.
    static Entries entriesWithMugShots(const Entries& entries);
    // Whether the path is a photo of the application's: a regular file (never a folder, never a link)
    // directly in one of its photo folders, itself a folder and no link; or, where a photo folder could
    // not be made (or was a link) and the Documents folder stood in, a regular file directly in that
    // folder, of this account, with no other name, named as photos are named after a real moment. Only
    // such a file is shown and only such a file is ever deleted: a damaged or hand-edited record may
    // point anywhere.
    static bool isOwnPhotoFile(const std::string& path);
    // "kestrune_mugshot.png" in the folder, else "kestrune_mugshot(1).png" up to (9999): the first that
    // is not there; none when all are taken. (A smaller last number is for tests.)
    static std::optional<std::string> firstFreeMugshotPath(const std::string& folder,
                                                           int lastNumber = kLastNumberedName);
    // Whether the record's photo is the one at the path: the same path, ignoring case.
    static bool imagePathMatches(const BaseEntry& entry, const std::string& path);
};

}  // namespace kestrune
