// The history window's rows (events the filter shows, sessions between a start and its lock, failed
// logins, oldest first) and the activity chart's day table built from the sessions.

#include <gtest/gtest.h>

#include "app/support/CachedCalendar.h"
#include "features/history/ActivityViewModelFactory.h"
#include "features/history/LoginLogoutFilter.h"
#include "features/history/LoginLogoutPresentationSessionEntry.h"
#include "features/history/PresentationEntryFailedLogin.h"
#include "tests/app/LocalTimeZone.h"

using namespace kestrune;

namespace {

class HistoryRowsTest : public testsupport::LocalTimeZoneTest {
protected:
    static platform::Date at(int day, int hour, int minute, int second = 0, int month = 3) {
        return currentCalendarCached().dateFromComponents(2026, month, day, hour, minute, second);
    }
    static std::shared_ptr<LoginLogoutEntry> event(uint32_t code, platform::Date date) {
        return LoginLogoutEntry::initWithEvent_date_reason(code, date, 1);
    }
    static std::shared_ptr<FailedLoginEntry> failed(platform::Date date) {
        auto entry = FailedLoginEntry::init();
        entry->setDate(date);
        return entry;
    }
    static LoginLogoutFilter::Rows rows(const std::vector<std::shared_ptr<LoginLogoutEntry>>& history,
                                        const std::vector<std::shared_ptr<FailedLoginEntry>>& failures = {},
                                        const LoginLogoutFilterModel& filter = LoginLogoutFilterModel{}) {
        return LoginLogoutFilter::generateDatasourceFromEntries_failedLoginEntried_filterModel(
            history, failures, filter);
    }
    // "event hh:mm:ss" per row.
    static std::vector<std::string> describe(const LoginLogoutFilter::Rows& rows) {
        std::vector<std::string> lines;
        for (const auto& row : rows)
            lines.push_back(std::to_string(row->presentationEvent) + " " + dictionaryTime(row->date));
        return lines;
    }
    static std::string dictionaryTime(platform::Date date) {
        const auto c = currentCalendarCached().components(date);
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(c.hour), int(c.minute), int(c.second));
        return text;
    }
    static LoginLogoutFilter::Rows sessionsOf(const std::vector<std::shared_ptr<LoginLogoutEntry>>& history) {
        return rows(history, {}, *LoginLogoutFilterModel::sessionDurationFilter());
    }
    using E = LoginLogoutEntry;
};

TEST_F(HistoryRowsTest, AnUnlockAndALockGiveTheirRowsAndTheSessionRightAfterTheLock) {
    const auto all = rows({event(E::kEventLocked, at(4, 10, 0)), event(E::kEventUnlocked, at(4, 9, 0))});
    EXPECT_EQ(describe(all), (std::vector<std::string>{"1 09:00:00", "2 10:00:00", "3 10:00:01"}));
    auto session = std::dynamic_pointer_cast<LoginLogoutPresentationSessionEntry>(all[2]);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->presentationText, "01h :00m :00s");
    EXPECT_EQ(session->timeIntervalInSeconds, 3600);
    EXPECT_EQ(session->startDate, at(4, 9, 0));
    EXPECT_EQ(session->endDate, at(4, 10, 0));
    EXPECT_EQ(session->presentationIconName, "session_duration");
    EXPECT_EQ(all[0]->presentationIconName, "unlocked");
}

TEST_F(HistoryRowsTest, OnlyALockAfterAStartingEntryEndsASession) {
    // Two locks in a row: the newer one's older entry is a lock, so one session at most.
    EXPECT_EQ(describe(sessionsOf({event(E::kEventLocked, at(4, 11, 0)), event(E::kEventLocked, at(4, 10, 0)),
                                   event(E::kEventUnlocked, at(4, 9, 0))})),
              (std::vector<std::string>{"3 10:00:01"}));
    // A lock after a quit is measured from the quit; after a start, from the start.
    auto fromQuit = sessionsOf({event(E::kEventLocked, at(4, 10, 0)), event(E::kEventQuit, at(4, 9, 30))});
    ASSERT_EQ(fromQuit.size(), 1u);
    EXPECT_EQ(fromQuit[0]->presentationText, "00h :30m :00s");
    EXPECT_EQ(sessionsOf({event(E::kEventLocked, at(4, 10, 0)), event(E::kEventStarted, at(4, 9, 59, 30))})
                  .front()
                  ->presentationText,
              "00h :00m :30s");
    // The oldest entry, a lock, has nothing before it.
    EXPECT_TRUE(sessionsOf({event(E::kEventLocked, at(4, 10, 0))}).empty());
    EXPECT_TRUE(
        sessionsOf({event(E::kEventLocked, at(4, 10, 0)), event(E::kEventPhotoTaken, at(4, 9, 0))}).empty());
}

TEST_F(HistoryRowsTest, EachFlagHidesItsKindAndNothingElse) {
    const std::vector<std::shared_ptr<LoginLogoutEntry>> history{
        event(E::kEventQuit, at(4, 12, 0)), event(E::kEventPhotoTaken, at(4, 11, 30)),
        event(E::kEventLocked, at(4, 11, 0)), event(E::kEventUnlocked, at(4, 10, 0)),
        event(E::kEventStarted, at(4, 9, 0))};
    const std::vector<std::shared_ptr<FailedLoginEntry>> failures{failed(at(4, 10, 15))};
    EXPECT_EQ(describe(rows(history, failures)),
              (std::vector<std::string>{"0 09:00:00", "1 10:00:00", "4 10:15:00", "2 11:00:00", "3 11:00:01",
                                        "5 12:00:00"}));
    LoginLogoutFilterModel noLocks;
    noLocks.loginFilterOn = noLocks.logoutFilterOn = true;
    EXPECT_EQ(describe(rows(history, failures, noLocks)),
              (std::vector<std::string>{"0 09:00:00", "4 10:15:00", "3 11:00:01", "5 12:00:00"}));
    LoginLogoutFilterModel noSessions;
    noSessions.sessionDurationFilterOn = true;
    EXPECT_EQ(rows(history, failures, noSessions).size(), 5u);
    LoginLogoutFilterModel noStarts;
    noStarts.startFilterOn = noStarts.failedLoginFilterOn = true;
    EXPECT_EQ(describe(rows(history, failures, noStarts)),
              (std::vector<std::string>{"1 10:00:00", "2 11:00:00", "3 11:00:01"}));
    auto failedRow = std::dynamic_pointer_cast<PresentationEntryFailedLogin>(rows(history, failures)[2]);
    ASSERT_TRUE(failedRow);
    EXPECT_EQ(failedRow->failedLoginEntry, failures[0]);
    EXPECT_EQ(failedRow->presentationIconName, "failed_login_attempt");
    EXPECT_EQ(PresentationEntry::iconNameForPresentationEvent(5), "started");
}

TEST_F(HistoryRowsTest, RowsOfTheSameSecondKeepTheirOrderAndUndatedRecordsGiveNone) {
    auto unlock = event(E::kEventUnlocked, at(4, 9, 0));
    auto failure = failed(at(4, 9, 0));
    auto undated = FailedLoginEntry::init();
    for (int run = 0; run < 20; ++run) {
        const auto all = rows({unlock}, {failure, undated});
        ASSERT_EQ(all.size(), 2u);
        EXPECT_EQ(all[0]->presentationEvent, PresentationEntry::kEventUnlocked);
        EXPECT_EQ(all[1]->presentationEvent, PresentationEntry::kEventFailedLogin);
    }
}

class ActivityDaysTest : public HistoryRowsTest {
protected:
    static std::vector<std::pair<uint64_t, uint64_t>> bars(const ActivityDayViewModel& day) {
        std::vector<std::pair<uint64_t, uint64_t>> list;
        for (const auto& part : day.sessionArray)
            list.push_back({part->startDateInMinutesOfDay, part->endDateInMinutesOfDay});
        return list;
    }
    static std::vector<std::string> keys(const ActivityViewModelFactory::DayTable& table) {
        std::vector<std::string> list;
        for (const auto& [key, day] : table) list.push_back(key);
        return list;
    }
    using Bars = std::vector<std::pair<uint64_t, uint64_t>>;
};

TEST_F(ActivityDaysTest, ASessionAcrossMidnightGivesABarOnEachDay) {
    auto table = ActivityViewModelFactory::dayModelsForList(
        sessionsOf({event(E::kEventLocked, at(5, 1, 30)), event(E::kEventUnlocked, at(4, 22, 0))}));
    ASSERT_EQ(keys(table), (std::vector<std::string>{"2026 03 04", "2026 03 05"}));
    EXPECT_EQ(bars(*table["2026 03 04"]), (Bars{{1320, 1439}}));
    EXPECT_EQ(bars(*table["2026 03 05"]), (Bars{{0, 90}}));
    EXPECT_EQ(table["2026 03 04"]->totalSecondsLoggedIn, 7199);  // to 23:59:59
    EXPECT_EQ(table["2026 03 05"]->totalSecondsLoggedIn, 5400);
}

TEST_F(ActivityDaysTest, DaysBetweenSessionsAreThereEmptyAndNoSessionsGiveNoDays) {
    auto table = ActivityViewModelFactory::dayModelsForList(
        sessionsOf({event(E::kEventLocked, at(6, 11, 0)), event(E::kEventUnlocked, at(6, 10, 0)),
                    event(E::kEventLocked, at(4, 9, 30)), event(E::kEventUnlocked, at(4, 9, 0))}));
    ASSERT_EQ(keys(table), (std::vector<std::string>{"2026 03 04", "2026 03 05", "2026 03 06"}));
    EXPECT_TRUE(table["2026 03 05"]->sessionArray.empty());
    EXPECT_EQ(table["2026 03 05"]->totalSecondsLoggedIn, 0);
    EXPECT_EQ(table["2026 03 06"]->totalSecondsLoggedIn, 3600);
    EXPECT_TRUE(ActivityViewModelFactory::dayModelsForList({}).empty());
    EXPECT_TRUE(
        ActivityViewModelFactory::dayModelsForList(sessionsOf({event(E::kEventUnlocked, at(4, 9, 0))}))
            .empty());
}

TEST_F(ActivityDaysTest, ShortSessionsTheLastSecondOfADayAndAClockSetBack) {
    // Under a minute within one minute of the clock: a bar of no height.
    auto table = ActivityViewModelFactory::dayModelsForList(
        sessionsOf({event(E::kEventLocked, at(4, 10, 0, 50)), event(E::kEventUnlocked, at(4, 10, 0, 10))}));
    EXPECT_EQ(bars(*table["2026 03 04"]), (Bars{{600, 600}}));
    EXPECT_EQ(table["2026 03 04"]->totalSecondsLoggedIn, 40);
    // A lock at 23:59:59: its row falls on the next day, which gets a column of its own.
    table = ActivityViewModelFactory::dayModelsForList(
        sessionsOf({event(E::kEventLocked, at(4, 23, 59, 59)), event(E::kEventUnlocked, at(4, 23, 0))}));
    EXPECT_EQ(keys(table), (std::vector<std::string>{"2026 03 04", "2026 03 05"}));
    EXPECT_EQ(bars(*table["2026 03 04"]), (Bars{{1380, 1439}}));
    EXPECT_TRUE(table["2026 03 05"]->sessionArray.empty());
    // The clock set back between unlock and lock: no time, and no bar upside down.
    auto backwards = ActivityViewModelFactory::modelForStartDate_endDate(at(4, 10, 0), at(4, 9, 0));
    EXPECT_EQ(backwards->timeIntervalInSeconds, 0);
    EXPECT_EQ(backwards->endDateInMinutesOfDay, backwards->startDateInMinutesOfDay);
}

TEST_F(ActivityDaysTest, TheDayTheClocksGoForwardInBerlin) {
    // 29 March 2026: 02:00 becomes 03:00. A session from 23:00 on the 28th to 04:00 on the 29th.
    auto table = ActivityViewModelFactory::dayModelsForList(
        sessionsOf({event(E::kEventLocked, at(30, 8, 0)), event(E::kEventUnlocked, at(30, 7, 0)),
                    event(E::kEventLocked, at(29, 4, 0)), event(E::kEventUnlocked, at(28, 23, 0))}));
    ASSERT_EQ(keys(table), (std::vector<std::string>{"2026 03 28", "2026 03 29", "2026 03 30"}));
    EXPECT_EQ(bars(*table["2026 03 28"]), (Bars{{1380, 1439}}));
    EXPECT_EQ(bars(*table["2026 03 29"]), (Bars{{0, 240}}));
    EXPECT_EQ(table["2026 03 29"]->totalSecondsLoggedIn, 3 * 3600);  // an hour of that night never was
    // And the day they go back, 25 October: a day of 25 hours still steps one day at a time.
    auto autumn =
        ActivityViewModelFactory::dictionaryWithStartDate_endDate(at(24, 0, 30, 0, 10), at(26, 0, 30, 0, 10));
    EXPECT_EQ(keys(autumn), (std::vector<std::string>{"2026 10 24", "2026 10 25", "2026 10 26"}));
}

}  // namespace
