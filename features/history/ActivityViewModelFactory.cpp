#include "features/history/ActivityViewModelFactory.h"

#include <algorithm>
#include <vector>

#include "app/support/CachedFormatters.h"
#include "app/support/DateCalculations.h"
#include "features/history/LoginLogoutPresentationSessionEntry.h"

namespace kestrune {

std::string ActivityViewModelFactory::dayKey(platform::Date date) {
    return dictionaryDateFormatter().stringFromDate(date);
}

ActivityViewModelFactory::DayTable ActivityViewModelFactory::dayModelsForList(
    const LoginLogoutFilter::Rows& rows) {
    std::vector<std::shared_ptr<LoginLogoutPresentationSessionEntry>> sessions;
    for (const auto& row : rows)
        if (auto session = std::dynamic_pointer_cast<LoginLogoutPresentationSessionEntry>(row))
            sessions.push_back(std::move(session));
    if (sessions.empty()) return {};

    DayTable table = dictionaryWithStartDate_endDate(sessions.front()->date, sessions.back()->date);
    for (const auto& session : sessions) {
        const platform::Date start = session->startDate, end = session->endDate;
        if (isSameDayAs(start, end)) {
            insert_onDate_startDate_endDate_dict(*session, start, start, end, table);
        } else {
            // Across midnight: the start's day to its end and the end's day from its start. A session of
            // more than two calendar days gives nothing to the days between.
            insert_onDate_startDate_endDate_dict(*session, start, start, endOfDay(start), table);
            insert_onDate_startDate_endDate_dict(*session, end, startOfDay(end), end, table);
        }
    }
    return table;
}

ActivityViewModelFactory::DayTable ActivityViewModelFactory::dictionaryWithStartDate_endDate(
    platform::Date first, platform::Date last) {
    DayTable table;
    for (platform::Date day = first; isBeforeDate(day, last) || isSameDayAs(day, last);
         day = getTomorrow(day))
        table[dayKey(day)] = ActivityDayViewModel::initWithDate(day);
    return table;
}

void ActivityViewModelFactory::insert_onDate_startDate_endDate_dict(
    const LoginLogoutPresentationSessionEntry&, platform::Date day, platform::Date start, platform::Date end,
    DayTable& table) {
    const std::string key = dayKey(day);
    auto model = dayViewModelForKey_date_inDictionary(key, day, table);
    auto part = modelForStartDate_endDate(start, end);
    model->sessionArray.push_back(part);
    model->totalSecondsLoggedIn =
        static_cast<int64_t>(model->totalSecondsLoggedIn + part->timeIntervalInSeconds);
    table[key] = model;
}

std::shared_ptr<ActivitySessionViewModel> ActivityViewModelFactory::modelForStartDate_endDate(
    platform::Date start, platform::Date end) {
    auto model = std::make_shared<ActivitySessionViewModel>();
    model->startDate = start;
    model->endDate = end;
    model->date = start;
    model->timeIntervalInSeconds = std::max(0.0, end.timeIntervalSinceDate(start));
    model->startDateInMinutesOfDay = static_cast<uint64_t>(getTotalMintesInDay(start));
    // A part that ends before it starts draws no bar, not one upside down.
    model->endDateInMinutesOfDay =
        end < start ? model->startDateInMinutesOfDay : static_cast<uint64_t>(getTotalMintesInDay(end));
    return model;
}

std::shared_ptr<ActivityDayViewModel> ActivityViewModelFactory::dayViewModelForKey_date_inDictionary(
    const std::string& key, platform::Date date, const DayTable& table) {
    auto it = table.find(key);
    return it != table.end() ? it->second : ActivityDayViewModel::initWithDate(date);
}

}  // namespace kestrune
