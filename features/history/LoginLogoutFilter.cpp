#include "features/history/LoginLogoutFilter.h"

#include <algorithm>

#include "features/history/LoginLogoutPresentationSessionEntry.h"
#include "features/history/PresentationEntryFailedLogin.h"
#include "features/history/TextFileManagement.h"

namespace kestrune {

namespace {
// The row kind of a history event, none when the filter hides it or the event has no row (photo taken).
std::optional<int32_t> rowEventFor(const LoginLogoutEntry& entry, const LoginLogoutFilterModel& filter) {
    const uint32_t event = entry.event() ? entry.event()->unsignedIntValue() : 0;
    switch (event) {
        case LoginLogoutEntry::kEventStarted:
            return filter.startFilterOn ? std::nullopt : std::optional(PresentationEntry::kEventStarted);
        case LoginLogoutEntry::kEventUnlocked:
            return filter.loginFilterOn ? std::nullopt : std::optional(PresentationEntry::kEventUnlocked);
        case LoginLogoutEntry::kEventLocked:
            return filter.logoutFilterOn ? std::nullopt : std::optional(PresentationEntry::kEventLocked);
        case LoginLogoutEntry::kEventQuit:
            return filter.startFilterOn ? std::nullopt : std::optional(PresentationEntry::kEventQuit);
        default:
            return std::nullopt;
    }
}
}  // namespace

LoginLogoutFilter::Rows LoginLogoutFilter::generateDatasourceFromEntries_failedLoginEntried_filterModel(
    const std::vector<std::shared_ptr<LoginLogoutEntry>>& history,
    const std::vector<std::shared_ptr<FailedLoginEntry>>& failedLogins,
    const LoginLogoutFilterModel& filter) {
    Rows rows;
    for (size_t i = 0; i < history.size(); ++i) {
        const auto& entry = history[i];
        if (!entry || !entry->date()) continue;
        // A lock ends the session its next older entry started; shown even when locks are hidden.
        if (!filter.sessionDurationFilterOn && entry->isSessionEndingEntry() && i + 1 < history.size()) {
            const auto& older = history[i + 1];
            if (older && older->date() && older->isSessionStartingEntry()) {
                auto session = std::make_shared<LoginLogoutPresentationSessionEntry>();
                session->loginLogoutEntry = entry;
                session->presentationEvent = PresentationEntry::kEventSession;
                session->presentationIconName =
                    PresentationEntry::iconNameForPresentationEvent(PresentationEntry::kEventSession);
                session->startDate = *older->date();
                session->endDate = *entry->date();
                session->timeIntervalInSeconds = entry->date()->timeIntervalSinceDate(*older->date());
                session->presentationText =
                    TextFileManagement::stringFromTimeInterval(session->timeIntervalInSeconds);
                // Right after its lock.
                session->date = entry->date()->dateByAddingTimeInterval(1.0);
                rows.push_back(session);
            }
        }
        if (auto event = rowEventFor(*entry, filter)) {
            auto row = std::make_shared<LoginLogoutPresentationEntry>();
            row->loginLogoutEntry = entry;
            row->presentationEvent = *event;
            row->presentationIconName = PresentationEntry::iconNameForPresentationEvent(*event);
            row->date = *entry->date();
            rows.push_back(row);
        }
    }
    if (!filter.failedLoginFilterOn) {
        for (const auto& failed : failedLogins) {
            if (!failed || !failed->date()) continue;
            auto row = std::make_shared<PresentationEntryFailedLogin>();
            row->failedLoginEntry = failed;
            row->presentationEvent = PresentationEntry::kEventFailedLogin;
            row->presentationIconName =
                PresentationEntry::iconNameForPresentationEvent(PresentationEntry::kEventFailedLogin);
            row->date = *failed->date();
            rows.push_back(row);
        }
    }
    // Stable, so that rows of the same second always come in the same order.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
    return rows;
}

}  // namespace kestrune
