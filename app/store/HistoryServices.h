#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Date.h"

namespace kestrune {

// What the migration asks of the history and notification features: the lock/unlock history of the
// application data, the tracker text file's place and line rules, and the notification after each
// unlock. The history feature installs its own answers; until it does, a default works on the
// application data directly, reads line texts in the current interface language only and keeps the
// notification switch in memory.
class HistoryServices {
public:
    virtual ~HistoryServices() = default;

    static constexpr const char* kTrackerFileName = "Kestrune Login Tracker.csv";

    // A lock/unlock event read from the tracker file.
    struct TrackEvent {
        uint32_t event;
        platform::Date date;
    };

    // LoginTrackerFactory: no failed-login entry and no lock/unlock entry.
    virtual bool applicationDataIsEmpty() = 0;
    // Puts the events (newest first; trigger 0, no photo) behind the lock/unlock entries the history
    // holds, and keeps the 500 newest, without saving. They come from the tracker file's past, so
    // whatever the history gained meanwhile, this launch's own entry among them, is newer and stays in
    // front.
    virtual void appendOlderTrackEvents(const std::vector<TrackEvent>& newestFirst) = 0;
    virtual void saveTrackEvents() = 0;

    // LoginTrackerController.
    virtual std::string loginTrackerOldFilePath() = 0;
    virtual std::string loginTrackerNewFilePath() = 0;
    // The date of the line's first 19 characters read as "yyyy-MM-dd HH:mm:ss" in local time; none
    // for a line that does not start so (isValidLine: is there one).
    virtual std::optional<platform::Date> dateForLine(const std::string& line) = 0;
    virtual bool isSessionDurationLine(const std::string& line) = 0;
    virtual bool isKestruneStartedForLine(const std::string& line) = 0;
    virtual bool isLoginEntryForLine(const std::string& line) = 0;
    virtual bool isLogoutEntryForLine(const std::string& line) = 0;

    // NotificationsController (shared): show a notification after each unlock.
    virtual void setNotificationOnLogin(bool on) = 0;

    static std::shared_ptr<HistoryServices> current();
    // Installs the services (null restores the default).
    static void install(std::shared_ptr<HistoryServices> services);

    // The strict reading of "yyyy-MM-dd HH:mm:ss" at the start of a line, in local time.
    static std::optional<platform::Date> parseTrackerDate(const std::string& line);
};

}  // namespace kestrune
