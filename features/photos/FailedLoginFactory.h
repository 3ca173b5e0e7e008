#pragma once

#include <functional>
#include <memory>

namespace kestrune {

class BaseEntry;

// Stores the records of failed logins and manual snapshots (newest first, saved at once, before their
// photo exists) and deletes records and photos. Main thread only.
class FailedLoginFactory {
public:
    // A failed-login record dated now; with the flag, its photo path in "MugShots" and a photo taken.
    void createAndSaveFailedLoginEventTakePhoto(bool takePhoto);
    // A manual-snapshot record dated now, stored; then its photo, whose result reaches the closure.
    void createAndSaveManualSnapshotWithCompletion(std::function<void(bool success)> completion);

    // Removes the entry's photo file, then the record from its list where it is a photo record.
    static void deleteBaseEntry(const std::shared_ptr<BaseEntry>& entry);
    // A failed-login or manual-snapshot record leaves its list (saved); a history record stays.
    static void completelyRemoveEntryFromDatabaseIfNeeded(const std::shared_ptr<BaseEntry>& entry);
    // Each removes its records' photos, those in the Documents folder included, and its photo folder
    // (a link in its place stays); the first two also empty their list and save.
    static void deleteAllFaileLoginEntries();
    static void deleteAllSnapshotEntries();
    static void deleteAllLoginEntryImages();
};

}  // namespace kestrune
