#pragma once

#include "app/store/HistoryServices.h"
#include "features/history/LoginTrackerFactory.h"

namespace kestrune {

// The history service the migration reads and writes: the history store, the tracker file's rules in
// every interface language, and the notification preference.
class HistoryFeatureServices : public HistoryServices {
public:
    bool applicationDataIsEmpty() override;
    void appendOlderTrackEvents(const std::vector<TrackEvent>& newestFirst) override;
    void saveTrackEvents() override;
    std::string loginTrackerOldFilePath() override;
    std::string loginTrackerNewFilePath() override;
    std::optional<platform::Date> dateForLine(const std::string& line) override;
    bool isSessionDurationLine(const std::string& line) override;
    bool isKestruneStartedForLine(const std::string& line) override;
    bool isLoginEntryForLine(const std::string& line) override;
    bool isLogoutEntryForLine(const std::string& line) override;
    void setNotificationOnLogin(bool on) override;

private:
    LoginTrackerFactory factory_;
};

}  // namespace kestrune
