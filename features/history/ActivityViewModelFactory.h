#pragma once

#include <map>
#include <memory>
#include <string>

#include "features/history/ActivityDayViewModel.h"
#include "features/history/LoginLogoutFilter.h"

namespace kestrune {

class LoginLogoutPresentationSessionEntry;

// Groups the history's sessions into days for the activity chart, splitting a session that crosses
// midnight. A pure function of its input: any thread may run it.
class ActivityViewModelFactory {
public:
    // Day key (the local calendar date as the day-key formatter writes it, "yyyy MM dd") to the day. The
    // keys order the days oldest first.
    using DayTable = std::map<std::string, std::shared_ptr<ActivityDayViewModel>>;

    // The session rows of the history filter, oldest first (other rows are passed over). No sessions
    // give no days.
    static DayTable dayModelsForList(const LoginLogoutFilter::Rows& sessions);
    // An empty day for every day from the first date's to the last date's, both included.
    static DayTable dictionaryWithStartDate_endDate(platform::Date first, platform::Date last);
    // Adds the part from start to end to the day's model, made when the table has none.
    static void insert_onDate_startDate_endDate_dict(const LoginLogoutPresentationSessionEntry& session,
                                                     platform::Date day, platform::Date start,
                                                     platform::Date end, DayTable& table);
    // An end before its start (the clock was set back) counts as no time.
    static std::shared_ptr<ActivitySessionViewModel> modelForStartDate_endDate(platform::Date start,
                                                                               platform::Date end);
    static std::shared_ptr<ActivityDayViewModel> dayViewModelForKey_date_inDictionary(const std::string& key,
                                                                                      platform::Date date,
                                                                                      const DayTable& table);
    static std::string dayKey(platform::Date date);
};

}  // namespace kestrune
