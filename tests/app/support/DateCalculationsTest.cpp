#include "app/support/DateCalculations.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/support/DateAndTimeHelper.h"
#include "platform/base/Clock.h"
#include "tests/app/LocalTimeZone.h"

using namespace kestrune;
using platform::Date;

namespace {

Date at(double seconds) {
    return Date::dateWithTimeIntervalSince1970(seconds);
}
double seconds(const Date& date) {
    return date.timeIntervalSince1970();
}

// Moments in Berlin time.
constexpr double kNewYearsEve2330 = 1735684200;      // Tue 2024-12-31 23:30 (22:30 UTC)
constexpr double kNewYear0030 = 1735687800;          // Wed 2025-01-01 00:30 (23:30 UTC the day before)
constexpr double kSunday29Dec = 1735463720;          // Sun 2024-12-29 10:15:20
constexpr double kMonday30Dec = 1735550120;          // Mon 2024-12-30 10:15:20
constexpr double kSaturday4Jan = 1735982120;         // Sat 2025-01-04 10:15:20
constexpr double kBeforeSpringForward = 1711789200;  // Sat 2024-03-30 10:00 CET
constexpr double kSpringForwardDay = 1711872000;     // Sun 2024-03-31 10:00 CEST (23 hours later)
constexpr double kJan31 = 1706688300;                // Wed 2024-01-31 09:05
constexpr double kAfter2038 = 2223367200;            // Fri 2040-06-15 12:00 CEST

class DateCalculationsTest : public testsupport::LocalTimeZoneTest {};

}  // namespace

TEST_F(DateCalculationsTest, SecondsSinceDateIsWholeSecondsEitherWayAnd64Bit) {
    EXPECT_EQ(secondsSinceDate(at(now() - 90.9)), 90);
    EXPECT_EQ(secondsSinceDate(at(now() + 90.9)), 90);
    EXPECT_EQ(secondsSinceDate(std::nullopt), 2147483647);
    EXPECT_EQ(secondsSinceDate(at(std::nan(""))), 2147483647);
    // The stored default of 1970 seen from 2040: more seconds than 32 bits hold, still positive.
    platform::Clock::setVirtualNow(kAfter2038);
    EXPECT_EQ(secondsSinceDate(at(0)), 2223367200);
    // Kept in 32 bits it saturates instead of wrapping to a negative, recent-looking count.
    EXPECT_EQ(secondsSinceDateSaturated32(at(0)), 2147483647);
    EXPECT_EQ(secondsSinceDateSaturated32(at(kAfter2038 - 2147483647.5)), 2147483647);
    EXPECT_EQ(secondsSinceDateSaturated32(at(kAfter2038 - 2147483646.5)), 2147483646);
    EXPECT_EQ(secondsSinceDateSaturated32(std::nullopt), 2147483647);
}

TEST_F(DateCalculationsTest, FieldsAreThoseOfTheLocalCalendar) {
    const Date eve = at(kNewYearsEve2330);
    EXPECT_EQ(getYear(eve), 2024);
    EXPECT_EQ(getMonth(eve), 12);
    EXPECT_EQ(getDay(eve), 31);
    EXPECT_EQ(getHour(eve), 23);
    EXPECT_EQ(getMinute(eve), 30);
    EXPECT_EQ(getWeekday(eve), 3);  // Tuesday
    EXPECT_EQ(getTotalMintesInDay(eve), 23 * 60 + 30);
    EXPECT_EQ(getTime(eve, 0), 30);
    EXPECT_EQ(getTime(eve, 1), 23);
    EXPECT_EQ(getTime(eve, 2), 31);
    EXPECT_EQ(getTime(eve, 3), 12);
    EXPECT_EQ(getTime(eve, 4), 2024);
    EXPECT_EQ(getTime(eve, 5), 0);
    // Still 2024 in UTC, already 2025 here.
    EXPECT_EQ(getYear(at(kNewYear0030)), 2025);
    EXPECT_EQ(getDay(at(kNewYear0030)), 1);
    EXPECT_EQ(getYear(at(kAfter2038)), 2040);
    EXPECT_EQ(getHour(at(kAfter2038)), 12);
}

TEST_F(DateCalculationsTest, OneBasedWeekdayStartsOnMonday) {
    EXPECT_EQ(oneBasedWeekday(int64_t{1}), 7);
    EXPECT_EQ(oneBasedWeekday(int64_t{2}), 1);
    EXPECT_EQ(oneBasedWeekday(int64_t{7}), 6);
    EXPECT_EQ(oneBasedWeekday(at(kSunday29Dec)), 7);
    EXPECT_EQ(oneBasedWeekday(at(kMonday30Dec)), 1);
}

TEST_F(DateCalculationsTest, DayBoundariesFollowTheLocalDayAcrossSummerTime) {
    const Date day = at(kSpringForwardDay);
    EXPECT_EQ(seconds(startOfDay(day)), 1711839600);  // 00:00 CET
    EXPECT_EQ(seconds(endOfDay(day)), 1711922399);    // 23:59:59 CEST
    EXPECT_EQ(seconds(startOfMonth(day)), 1709247600);
    EXPECT_EQ(seconds(startOfYear(day)), 1704063600);
    EXPECT_TRUE(isStartOfDay(startOfDay(day)));
    EXPECT_TRUE(isEndOfDay(endOfDay(day)));
    EXPECT_FALSE(isStartOfDay(day));
    EXPECT_TRUE(isEndOfDay(at(kNewYearsEve2330 + 29 * 60)));  // 23:59
    EXPECT_EQ(seconds(startOfDay(at(kAfter2038))), kAfter2038 - 12 * 3600);
}

TEST_F(DateCalculationsTest, DayStepsKeepTheWallTimeAcrossSummerTime) {
    EXPECT_EQ(seconds(getTomorrow(at(kBeforeSpringForward))), kSpringForwardDay);  // 23 hours later
    EXPECT_EQ(seconds(getYesterday(at(kSpringForwardDay))), kBeforeSpringForward);
    EXPECT_EQ(daysBetweenDate_andDate(at(kBeforeSpringForward), at(kSpringForwardDay)), 1);
    EXPECT_EQ(daysBetweenDate_andDate(at(kSpringForwardDay), at(kBeforeSpringForward)), -1);
    EXPECT_EQ(daysBetweenDate_andDate(at(kBeforeSpringForward), at(kSpringForwardDay - 1)), 0);
    // Back to winter time: 02:30 the day before, 02:30 (its first occurrence) on the day itself.
    EXPECT_EQ(seconds(getTomorrow(at(1729902600))), 1729989000);
    // Elapsed-time units ignore the change: 01:59:59 CET plus an hour is 03:59:59 CEST.
    EXPECT_EQ(seconds(getHourWithOffset(at(1711846799), 1)), 1711846799 + 3600);
    EXPECT_EQ(seconds(getMinuteWithOffset(at(1711846799), -90)), 1711846799 - 5400);
    EXPECT_EQ(seconds(getTomorrow(at(2223323999))), 2223323999 + 86400);  // after 2038
    EXPECT_DOUBLE_EQ(seconds(getDayWithOffset(at(kJan31 + 0.25), 2)), kJan31 + 2 * 86400 + 0.25);
}

TEST_F(DateCalculationsTest, MonthAndYearStepsEndOnTheLastDayOfShorterMonths) {
    EXPECT_EQ(seconds(getNextMonth(at(kJan31))), 1709193900);              // 2024-02-29 09:05
    EXPECT_EQ(seconds(getMonthWithOffset(at(kJan31), 13)), 1740729900);    // 2025-02-28 09:05
    EXPECT_EQ(seconds(getPreviousMonth(at(1711868700))), 1709193900);      // 31 Mar -> 29 Feb
    EXPECT_EQ(seconds(getYearWithOffset(at(1709193900), 1)), 1740729900);  // 29 Feb 2024 -> 28 Feb 2025
    EXPECT_EQ(seconds(getWeekWithOffset(at(kSunday29Dec), 1)), kSunday29Dec + 7 * 86400);
    EXPECT_EQ(seconds(getMonthWithOffset(at(kNewYearsEve2330), 1)), 1738362600);  // 2025-01-31 23:30
}

TEST_F(DateCalculationsTest, ReplacingFieldsRebuildsTheLocalTime) {
    const Date day = at(kSpringForwardDay);
    EXPECT_EQ(seconds(dateWithHour_andMinuten(day, 14, 7)), kSpringForwardDay + 4 * 3600 + 7 * 60);
    EXPECT_EQ(seconds(dateWithHour(day, 0)), 1711839600);
    EXPECT_EQ(seconds(dateWithMinute(day, 45)), kSpringForwardDay + 45 * 60);
    // 02:30 does not exist that day: it is read with winter time, which is 03:30 summer time.
    EXPECT_EQ(seconds(dateWithHour_andMinuten(day, 2, 30)), 1711848600);
    // The fraction of a second goes.
    EXPECT_EQ(seconds(dateWithMinute(at(kSpringForwardDay + 0.75), 0)), kSpringForwardDay);
}

TEST_F(DateCalculationsTest, SetDayAndMonthStartFromNowNotFromTheGivenDate) {
    platform::Clock::setVirtualNow(kJan31 + 0.25);
    for (double given : {kJan31, kAfter2038, kNewYearsEve2330}) {
        EXPECT_EQ(seconds(setDayOfMonth(at(given), 15)), kJan31 - 16 * 86400);
        EXPECT_EQ(seconds(setMonth(at(given), 2)), kJan31 + 31 * 86400);  // 31 February is 2 March
    }
}

TEST_F(DateCalculationsTest, WeekdaysOfAWeekSpanningNewYear) {
    // Weeks start on Sunday: 29 December 2024 to 4 January 2025.
    EXPECT_EQ(seconds(dateWithWeekDay(at(kMonday30Dec), 7)), kSaturday4Jan);
    EXPECT_EQ(seconds(dateWithWeekDay(at(kMonday30Dec), 1)), kSunday29Dec);
    EXPECT_EQ(seconds(dateWithWeekDay(at(kSaturday4Jan), 1)), kSunday29Dec);
    EXPECT_EQ(seconds(dateWithWeekDay(at(kSaturday4Jan), 7)), kSaturday4Jan);

    EXPECT_EQ(seconds(findMondayOfCurrentWeek(at(kSunday29Dec))), kSunday29Dec - 6 * 86400);
    EXPECT_EQ(seconds(findMondayOfCurrentWeek(at(kMonday30Dec))), kMonday30Dec);
    EXPECT_EQ(seconds(findMondayOfCurrentWeek(at(kSaturday4Jan))), kMonday30Dec);
}

TEST_F(DateCalculationsTest, TodayInWeekCountsSevenDaysFromTheStart) {
    platform::Clock::setVirtualNow(kNewYear0030);
    const Date any = at(0);
    EXPECT_TRUE(isTodayInWeekWithStart_andMonth_andYear(any, 1, 1, 2025));
    EXPECT_TRUE(isTodayInWeekWithStart_andMonth_andYear(any, 29, 12, 2024));
    EXPECT_TRUE(isTodayInWeekWithStart_andMonth_andYear(any, 26, 12, 2024));
    EXPECT_FALSE(isTodayInWeekWithStart_andMonth_andYear(any, 25, 12, 2024));
    EXPECT_FALSE(isTodayInWeekWithStart_andMonth_andYear(any, 2, 1, 2025));
    EXPECT_TRUE(isToday(at(kNewYear0030 + 3600)));
    EXPECT_FALSE(isToday(at(kNewYearsEve2330)));
}

TEST_F(DateCalculationsTest, CountsBetweenDates) {
    EXPECT_EQ(seconds(dateFromDay_andMonth_andYear(31, 3, 2024)), 1711839600);
    EXPECT_EQ(minutesBetweenDates_andDate(at(1000), at(1119)), 1);
    EXPECT_EQ(minutesBetweenDates_andDate(at(1119), at(1000)), 1);
    EXPECT_EQ(minutesBetweenDates_andDate(at(0), at(kAfter2038)), 37056120);
    // An hour apart but on two local days; in UTC both are 31 December.
    EXPECT_EQ(midnightsBetweenDate_andDate(at(kNewYearsEve2330), at(kNewYear0030)), 1);
    EXPECT_EQ(midnightsBetweenDate_andDate(at(kNewYear0030), at(kNewYearsEve2330)), -1);
    EXPECT_EQ(midnightsBetweenDate_andDate(at(kNewYear0030), at(kNewYear0030 + 23 * 3600)), 0);
    EXPECT_EQ(midnightsBetweenDate_andDate(at(kBeforeSpringForward), at(kSpringForwardDay)), 1);
    EXPECT_EQ(numberOfDaysInMonth(at(1709193900)), 29);
    EXPECT_EQ(numberOfDaysInMonth(at(1740729900)), 28);
    EXPECT_EQ(numberOfDaysInMonth(at(kNewYearsEve2330)), 31);
}

TEST_F(DateCalculationsTest, SameDayMonthAndYearUseTheLocalCalendar) {
    EXPECT_FALSE(isSameDayAs(at(kNewYearsEve2330), at(kNewYear0030)));
    EXPECT_FALSE(isSameYearAs(at(kNewYearsEve2330), at(kNewYear0030)));
    EXPECT_TRUE(isSameDayAs(at(kNewYear0030), at(kNewYear0030 + 23 * 3600)));
    EXPECT_TRUE(isSameMonthAs(at(kJan31), at(kJan31 - 30 * 86400)));
    EXPECT_FALSE(isSameMonthAs(at(kJan31), at(kNewYear0030 + 30 * 86400)));  // January of another year
    EXPECT_TRUE(isSameYearAs(at(kJan31), at(kNewYearsEve2330)));
}

TEST_F(DateCalculationsTest, OrderingHelpers) {
    // Equal dates give the first argument (told apart here by the sign of zero).
    EXPECT_TRUE(std::signbit(seconds(laterDateOf_andDate(at(-0.0), at(0.0)))));
    EXPECT_TRUE(std::signbit(seconds(earlierDateOf_andDate(at(-0.0), at(0.0)))));
    EXPECT_EQ(seconds(laterDateOf_andDate(at(1), at(2))), 2);
    EXPECT_EQ(seconds(earlierDateOf_andDate(at(1), at(2))), 1);
    EXPECT_TRUE(isBetween_andDate(at(1), at(1), at(3)));
    EXPECT_TRUE(isBetween_andDate(at(3), at(1), at(3)));
    EXPECT_FALSE(isBetween_andDate(at(3.5), at(1), at(3)));
    EXPECT_FALSE(isBetween_andDate(at(0.5), at(1), at(3)));
    EXPECT_TRUE(isBeforeDate(at(1), at(2)));
    EXPECT_FALSE(isBeforeDate(at(2), at(2)));
    EXPECT_TRUE(isAfterDate(at(3), at(2)));
    EXPECT_FALSE(isAfterDate(at(2), at(2)));
}

TEST_F(DateCalculationsTest, HourAndMinuteStringHasNoPadding) {
    platform::Clock::setVirtualNow(1717934820);  // 2024-06-09 14:07
    EXPECT_EQ(DateAndTimeHelper::hourAndMinuteString(), "14:7");
    platform::Clock::setVirtualNow(1717970400);  // 2024-06-10 00:00
    EXPECT_EQ(DateAndTimeHelper::hourAndMinuteString(), "0:0");
    platform::Clock::setVirtualNow(kJan31);  // 09:05
    EXPECT_EQ(DateAndTimeHelper::hourAndMinuteString(), "9:5");
}
