#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/base/Date.h"

namespace kestrune {

class ApplicationDataModel;
class LoginLogoutEntry;

// The lock/unlock history of the application data: every start, unlock, lock and quit as an entry,
// newest first, at most 500, saved at once. Changed on the main thread only; background readers take
// copies.
class LoginTrackerFactory {
public:
    static constexpr size_t kMaximumEntries = 500;

    // Events: 1 started, 2 unlocked, 3 locked, 4 quit, 5 photo taken; the trigger is the cause.
    void insertCurrentEvent_trigger_takePhoto(uint32_t event, uint32_t trigger, bool takePhoto);
    void insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date date, uint32_t trigger,
                                               bool takePhoto);
    // With the flag the entry gets its photo path in "LoginImages" and a photo is taken into it; the entry
    // is stored before the photo exists. The closure hears true once it is stored.
    void insertEvent_forDate_trigger_takePhoto_completion(uint32_t event, platform::Date date,
                                                          uint32_t trigger, bool takePhoto,
                                                          std::function<void(bool)> completion);
    void insertLastEntry_takePhoto(const std::shared_ptr<LoginLogoutEntry>& entry, bool takePhoto);
    // Puts entries older than any the history holds behind them, keeping the 500 newest; without saving.
    void appendOlderEntries(const std::vector<std::shared_ptr<LoginLogoutEntry>>& newestFirst);
    // Keeps the 500 newest.
    void removeExtraTrackEntriesIfNeeded();
    void saveTrackEvents();
    // Empties the history, without saving.
    void removeAllTrackEvents();
    std::shared_ptr<ApplicationDataModel> applicationData();
    std::shared_ptr<ApplicationDataModel> loadApplicationData();
    // No failed-login entry and no history entry.
    bool applicationDataIsEmpty();

    // Copies of the history entries, newest first, for a reader on another thread. Main thread.
    std::vector<std::shared_ptr<LoginLogoutEntry>> copyOfLoginLogoutEntries();
};

}  // namespace kestrune
