#pragma once

#include <memory>
#include <vector>

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "features/history/LoginLogoutFilterModel.h"
#include "features/history/PresentationEntry.h"

namespace kestrune {

// The rows of the history window from the stored history and failed logins: one per event the filter
// shows, and a session row for each lock that ends a session. A pure function: any thread may run it on
// records nobody changes meanwhile.
class LoginLogoutFilter {
public:
    using Rows = std::vector<std::shared_ptr<PresentationEntry>>;

    // The history newest first; the rows oldest first. Rows of equal dates keep the order in which they
    // were made (history newest first, then the failed logins). Records without a date give no row.
    static Rows generateDatasourceFromEntries_failedLoginEntried_filterModel(
        const std::vector<std::shared_ptr<LoginLogoutEntry>>& history,
        const std::vector<std::shared_ptr<FailedLoginEntry>>& failedLogins,
        const LoginLogoutFilterModel& filter);
};

}  // namespace kestrune
