#include "features/history/HistoryFeatureServices.h"

#include "app/records/LoginLogoutEntry.h"
#include "features/history/LoginTrackerController.h"
#include "features/notifications/NotificationsController.h"

namespace kestrune {

bool HistoryFeatureServices::applicationDataIsEmpty() {
    return factory_.applicationDataIsEmpty();
}
void HistoryFeatureServices::appendOlderTrackEvents(const std::vector<TrackEvent>& newestFirst) {
    std::vector<std::shared_ptr<LoginLogoutEntry>> entries;
    entries.reserve(newestFirst.size());
    for (const auto& [event, date] : newestFirst)
        entries.push_back(LoginLogoutEntry::initWithEvent_date_reason(event, date, 0));
    factory_.appendOlderEntries(entries);
}
void HistoryFeatureServices::saveTrackEvents() {
    factory_.saveTrackEvents();
}
std::string HistoryFeatureServices::loginTrackerOldFilePath() {
    return LoginTrackerController::loginTrackerOldFilePath();
}
std::string HistoryFeatureServices::loginTrackerNewFilePath() {
    return LoginTrackerController::loginTrackerNewFilePath();
}
std::optional<platform::Date> HistoryFeatureServices::dateForLine(const std::string& line) {
    return LoginTrackerController::dateForLine(line);
}
bool HistoryFeatureServices::isSessionDurationLine(const std::string& line) {
    return LoginTrackerController::isSessionDurationLine(line);
}
bool HistoryFeatureServices::isKestruneStartedForLine(const std::string& line) {
    return LoginTrackerController::isKestruneStartedForLine(line);
}
bool HistoryFeatureServices::isLoginEntryForLine(const std::string& line) {
    return LoginTrackerController::isLoginEntryForLine(line);
}
bool HistoryFeatureServices::isLogoutEntryForLine(const std::string& line) {
    return LoginTrackerController::isLogoutEntryForLine(line);
}
void HistoryFeatureServices::setNotificationOnLogin(bool on) {
    NotificationsController::shared().setNotificationOnLogin(on);
}

}  // namespace kestrune
