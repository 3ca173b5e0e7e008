#include "app/store/MigrationManager.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/shell/ThreadHelpers.h"
#include "app/support/Common.h"
#include "platform/base/Log.h"
#include "platform/storage/Files.h"

namespace kestrune {

namespace {

std::optional<std::string> readText(const std::string& path) {
    auto data = platform::Files::read(path);
    if (!data) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(data->bytes()), data->size());
}

std::vector<std::string> splitAtLineBreaks(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

void MigrationManager::migrateIfNeeded() {
    migrateTrackingFileIfNeeded();
    parseTrackingFileToApplicationData();
}

void MigrationManager::migrateTrackingFileIfNeeded() {
    const std::string oldPath = trackFactory->loginTrackerOldFilePath();
    const std::string newPath = trackFactory->loginTrackerNewFilePath();
    if (oldPath == newPath || !platform::Files::exists(oldPath)) return;
    bool copied = false;
    if (!platform::Files::exists(newPath)) {
        auto data = platform::Files::read(oldPath);
        copied = data && platform::Files::writeAtomically(newPath, *data, 0600);
        if (!copied)
            platform::logf("Migration: could not copy the tracker file to %s; the old one stays",
                           newPath.c_str());
    }
    // Removed only once its lines are safe at the new place (a copy there, or a file that was there).
    if (copied || platform::Files::exists(newPath)) platform::Files::remove(oldPath);
}

bool MigrationManager::shouldParseLogFileToApplicationData() {
    if (DeviceLocalSettings::shared().didMigrateToApplicationData()) return false;
    if (!trackFactory->applicationDataIsEmpty()) return false;
    return readText(trackFactory->loginTrackerNewFilePath()).has_value();
}

void MigrationManager::parseTrackingFileToApplicationData() {
    // The flag and the history are main-thread state: asked here, before going to the background.
    if (DeviceLocalSettings::shared().didMigrateToApplicationData() ||
        !trackFactory->applicationDataIsEmpty())
        return;
    auto services = trackFactory;
    runInBackgroundAsync([services] {
        auto text = readText(services->loginTrackerNewFilePath());
        if (!text) return;
        const auto pieces = splitAtLineBreaks(*text);
        const size_t n = pieces.size();
        std::vector<HistoryServices::TrackEvent> events;
        for (size_t i = n > kImportedPieces ? n - kImportedPieces : 0; i + 1 < n; ++i) {
            const std::string& line = pieces[i];
            auto date = services->dateForLine(line);
            if (!date || services->isSessionDurationLine(line)) continue;
            uint32_t kind;
            if (services->isKestruneStartedForLine(line))
                kind = LoginLogoutEntry::kEventStarted;
            else if (services->isLoginEntryForLine(line))
                kind = LoginLogoutEntry::kEventUnlocked;
            else if (services->isLogoutEntryForLine(line))
                kind = LoginLogoutEntry::kEventLocked;
            else
                continue;
            events.push_back({kind, *date});
        }
        // The file lists the oldest first; the history keeps the newest first.
        std::reverse(events.begin(), events.end());
        runOnMainQueueAsync([services, events = std::move(events)] {
            auto& settings = DeviceLocalSettings::shared();
            if (settings.didMigrateToApplicationData()) return;
            // Start-up went on while the file was read: the history may already hold this launch's
            // entry. The file's lines are older than anything it gained, so they go behind it.
            services->appendOlderTrackEvents(events);
            services->saveTrackEvents();
            settings.setDidMigrateToApplicationData(true);
            platform::logf("Migration: %zu entries of the tracker file added to the history", events.size());
        });
    });
}

void VersionModelUpdate::updateModelForVersionUpdateIfNeeded() {
    if (Common::isFirstLaunchOfNewVersion() && Common::getAppVersion() == kNotificationOnLoginVersion)
        HistoryServices::current()->setNotificationOnLogin(true);
}

}  // namespace kestrune
