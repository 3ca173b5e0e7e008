#pragma once

#include <memory>

#include "app/store/HistoryServices.h"

namespace kestrune {

// Brings data of older versions up to date at start-up: moves the old tracker file to its current
// folder, and once turns the tracker file's last lines into lock/unlock history.
class MigrationManager {
public:
    MigrationManager() : trackFactory(HistoryServices::current()) {}

    // On the main thread.
    void migrateIfNeeded();
    // Copies the old tracker file to its current place; the old one goes only once a copy is there.
    void migrateTrackingFileIfNeeded();
    // Reads and parses in the background; on the main thread the imported entries go behind those the
    // history holds by then (start-up adds this launch's own meanwhile), and the history is saved.
    void parseTrackingFileToApplicationData();
    bool shouldParseLogFileToApplicationData();

    // At most this many lines at the end of the file are read (the last piece, after the final line
    // break, is never one of them).
    static constexpr size_t kImportedPieces = 350;

    std::shared_ptr<HistoryServices> trackFactory;
};

// A settings change on the first launch of one particular version.
class VersionModelUpdate {
public:
    static constexpr const char* kNotificationOnLoginVersion = "1.6.4";
    void updateModelForVersionUpdateIfNeeded();
};

}  // namespace kestrune
