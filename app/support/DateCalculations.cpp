#include "app/support/DateCalculations.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/support/CachedCalendar.h"

namespace kestrune {

namespace {

using Unit = Calendar::Unit;

DateComponents parts(const platform::Date& date) {
    return currentCalendarCached().components(date);
}

platform::Date rebuild(const DateComponents& c) {
    return currentCalendarCached().dateFromComponents(c.year, c.month, c.day, c.hour, c.minute, c.second);
}

platform::Date adding(Unit unit, int64_t value, const platform::Date& date) {
    return currentCalendarCached().dateByAdding(unit, value, date);
}

// Truncates a non-negative count of seconds or minutes, saturating instead of overflowing.
int64_t truncatedCount(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9.2e18) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(value);
}

int64_t floorMod(int64_t a, int64_t b) {
    int64_t r = a % b;
    return r < 0 ? r + b : r;
}

}  // namespace

int64_t secondsSinceDate(const std::optional<platform::Date>& date) {
    if (!date || std::isnan(date->timeIntervalSince1970())) return 2147483647;
    return truncatedCount(std::fabs(date->timeIntervalSinceNow()));
}

int32_t secondsSinceDateSaturated32(const std::optional<platform::Date>& date) {
    return static_cast<int32_t>(std::min<int64_t>(secondsSinceDate(date), INT32_MAX));
}

int64_t getDay(const platform::Date& date) {
    return parts(date).day;
}
int64_t getMonth(const platform::Date& date) {
    return parts(date).month;
}
int64_t getYear(const platform::Date& date) {
    return parts(date).year;
}
int64_t getHour(const platform::Date& date) {
    return parts(date).hour;
}
int64_t getMinute(const platform::Date& date) {
    return parts(date).minute;
}
int64_t getWeekday(const platform::Date& date) {
    return parts(date).weekday;
}

int64_t oneBasedWeekday(const platform::Date& date) {
    return oneBasedWeekday(getWeekday(date));
}
int64_t oneBasedWeekday(int64_t weekday) {
    return weekday == 1 ? 7 : weekday - 1;
}

int64_t getTotalMintesInDay(const platform::Date& date) {
    const DateComponents c = parts(date);
    return c.hour * 60 + c.minute;
}

int64_t getTime(const platform::Date& date, int64_t unit) {
    const DateComponents c = parts(date);
    switch (unit) {
        case 0:
            return c.minute;
        case 1:
            return c.hour;
        case 2:
            return c.day;
        case 3:
            return c.month;
        case 4:
            return c.year;
        default:
            return 0;
    }
}

platform::Date startOfDay(const platform::Date& date) {
    const DateComponents c = parts(date);
    return currentCalendarCached().dateFromComponents(c.year, c.month, c.day);
}

platform::Date startOfMonth(const platform::Date& date) {
    const DateComponents c = parts(date);
    return currentCalendarCached().dateFromComponents(c.year, c.month, 1);
}

platform::Date startOfYear(const platform::Date& date) {
    return currentCalendarCached().dateFromComponents(parts(date).year, 1, 1);
}

platform::Date endOfDay(const platform::Date& date) {
    const DateComponents c = parts(date);
    return currentCalendarCached().dateFromComponents(c.year, c.month, c.day, 23, 59, 59);
}

bool isStartOfDay(const platform::Date& date) {
    const DateComponents c = parts(date);
    return c.hour == 0 && c.minute == 0;
}

bool isEndOfDay(const platform::Date& date) {
    const DateComponents c = parts(date);
    return c.hour == 23 && c.minute == 59;
}

platform::Date getTomorrow(const platform::Date& date) {
    return adding(Unit::Day, 1, date);
}
platform::Date getYesterday(const platform::Date& date) {
    return adding(Unit::Day, -1, date);
}
platform::Date getNextMonth(const platform::Date& date) {
    return adding(Unit::Month, 1, date);
}
platform::Date getPreviousMonth(const platform::Date& date) {
    return adding(Unit::Month, -1, date);
}

platform::Date getHourWithOffset(const platform::Date& date, int64_t hours) {
    return adding(Unit::Hour, hours, date);
}
platform::Date getMinuteWithOffset(const platform::Date& date, int64_t minutes) {
    return adding(Unit::Minute, minutes, date);
}
platform::Date getDayWithOffset(const platform::Date& date, int64_t days) {
    return adding(Unit::Day, days, date);
}
platform::Date getWeekWithOffset(const platform::Date& date, int64_t weeks) {
    return adding(Unit::Week, weeks, date);
}
platform::Date getMonthWithOffset(const platform::Date& date, int64_t months) {
    return adding(Unit::Month, months, date);
}
platform::Date getYearWithOffset(const platform::Date& date, int64_t years) {
    return adding(Unit::Year, years, date);
}

platform::Date dateWithHour_andMinuten(const platform::Date& date, int64_t hour, int64_t minute) {
    DateComponents c = parts(date);
    c.hour = hour;
    c.minute = minute;
    return rebuild(c);
}

platform::Date dateWithHour(const platform::Date& date, int64_t hour) {
    DateComponents c = parts(date);
    c.hour = hour;
    return rebuild(c);
}

platform::Date dateWithMinute(const platform::Date& date, int64_t minute) {
    DateComponents c = parts(date);
    c.minute = minute;
    return rebuild(c);
}

platform::Date dateWithWeekDay(const platform::Date& date, int64_t weekday) {
    DateComponents c = parts(date);
    const int64_t first = currentCalendarCached().firstWeekday();
    const int64_t intoWeek = floorMod(c.weekday - first, 7);
    const int64_t target = floorMod(weekday - first, 7);
    c.day += target - intoWeek;
    return rebuild(c);
}

// Both start from the current date and time, not from the receiver: callers rely on "this month's 15th"
// and "this year's March".
platform::Date setDayOfMonth(const platform::Date&, int64_t day) {
    DateComponents c = parts(platform::Date::now());
    c.day = day;
    return rebuild(c);
}

platform::Date setMonth(const platform::Date&, int64_t month) {
    DateComponents c = parts(platform::Date::now());
    c.month = month;
    return rebuild(c);
}

platform::Date findMondayOfCurrentWeek(const platform::Date& date) {
    platform::Date monday = date;
    for (int step = 0; step < 7 && getWeekday(monday) != 2; ++step) monday = getYesterday(monday);
    return monday;
}

bool isTodayInWeekWithStart_andMonth_andYear(const platform::Date& /*date*/, int64_t day, int64_t month,
                                             int64_t year) {
    const Calendar& calendar = currentCalendarCached();
    const platform::Date start = calendar.dateFromComponents(year, month, day);
    const int64_t daysIn = calendar.dayNumber(platform::Date::now()) - calendar.dayNumber(start);
    return daysIn >= 0 && daysIn < 7;
}

platform::Date dateFromDay_andMonth_andYear(int64_t day, int64_t month, int64_t year) {
    return currentCalendarCached().dateFromComponents(year, month, day);
}

int64_t daysBetweenDate_andDate(const platform::Date& first, const platform::Date& second) {
    return currentCalendarCached().daysFromDate_toDate(first, second);
}

int64_t minutesBetweenDates_andDate(const platform::Date& first, const platform::Date& second) {
    return truncatedCount(std::fabs(first.timeIntervalSinceDate(second)) / 60);
}

int64_t midnightsBetweenDate_andDate(const platform::Date& first, const platform::Date& second) {
    const Calendar& calendar = currentCalendarCached();
    return calendar.dayNumber(second) - calendar.dayNumber(first);
}

int64_t numberOfDaysInMonth(const platform::Date& date) {
    const DateComponents c = parts(date);
    return Calendar::numberOfDaysInMonth(c.year, c.month);
}

bool isToday(const platform::Date& date) {
    return isSameDayAs(date, platform::Date::now());
}

bool isSameDayAs(const platform::Date& date, const platform::Date& other) {
    const DateComponents a = parts(date), b = parts(other);
    return a.era == b.era && a.year == b.year && a.month == b.month && a.day == b.day;
}

bool isSameMonthAs(const platform::Date& date, const platform::Date& other) {
    const DateComponents a = parts(date), b = parts(other);
    return a.year == b.year && a.month == b.month;
}

bool isSameYearAs(const platform::Date& date, const platform::Date& other) {
    return parts(date).year == parts(other).year;
}

platform::Date earlierDateOf_andDate(const platform::Date& first, const platform::Date& second) {
    return second < first ? second : first;
}

platform::Date laterDateOf_andDate(const platform::Date& first, const platform::Date& second) {
    return second > first ? second : first;
}

bool isBetween_andDate(const platform::Date& date, const platform::Date& start, const platform::Date& end) {
    return !(date > end) && !(date < start);
}

bool isBeforeDate(const platform::Date& date, const platform::Date& other) {
    return date < other;
}
bool isAfterDate(const platform::Date& date, const platform::Date& other) {
    return date > other;
}

}  // namespace kestrune
