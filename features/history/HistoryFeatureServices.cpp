#include "features/history/HistoryFeatureServices.h"

#include "features/history/LoginTrackerController.h"
#include "features/notifications/NotificationsController.h"

namespace kestrune {

bool HistoryFeatureServices::applicationDataIsEmpty() {
    return factory_.applicationDataIsEmpty();
}
void HistoryFeatureServices::removeAllTrackEvents() {
    factory_.removeAllTrackEvents();
}
void HistoryFeatureServices::insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date date,
                                                                   uint32_t trigger, bool takePhoto) {
    factory_.insertEvent_forDate_trigger_takePhoto(event, date, trigger, takePhoto);
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
