#pragma once

#include <cstdint>
#include <optional>

#include "platform/base/Date.h"

namespace kestrune {

// Calendar fields, day boundaries, offsets and comparisons of moments, all in the system's time zone
// through the cached calendar. The date an operation works on comes first. Counts of seconds, minutes
// and days are 64-bit, so dates after 2038 count like any other. None of these keeps state: any thread
// may call them.

// Whole seconds between now and the date in either direction, truncated; 2147483647 for no date.
int64_t secondsSinceDate(const std::optional<platform::Date>& date);
// The same for a caller that keeps the count in 32 bits (the restart rule): beyond 2^31 - 1 seconds it
// saturates there, so a date long ago never wraps into a recent-looking negative count.
int32_t secondsSinceDateSaturated32(const std::optional<platform::Date>& date);

int64_t getDay(const platform::Date& date);
int64_t getMonth(const platform::Date& date);
int64_t getYear(const platform::Date& date);
int64_t getHour(const platform::Date& date);
int64_t getMinute(const platform::Date& date);
int64_t getWeekday(const platform::Date& date);  // 1 = Sunday ... 7 = Saturday

// Weekday with Monday = 1 ... Sunday = 7.
int64_t oneBasedWeekday(const platform::Date& date);
int64_t oneBasedWeekday(int64_t weekday);

int64_t getTotalMintesInDay(const platform::Date& date);
// The field of unit 0 minute, 1 hour, 2 day, 3 month, 4 year; 0 for any other unit.
int64_t getTime(const platform::Date& date, int64_t unit);

platform::Date startOfDay(const platform::Date& date);
platform::Date startOfMonth(const platform::Date& date);
platform::Date startOfYear(const platform::Date& date);
platform::Date endOfDay(const platform::Date& date);  // 23:59:59 of the date's day
bool isStartOfDay(const platform::Date& date);        // 00:00
bool isEndOfDay(const platform::Date& date);          // 23:59

platform::Date getTomorrow(const platform::Date& date);
platform::Date getYesterday(const platform::Date& date);
platform::Date getNextMonth(const platform::Date& date);
platform::Date getPreviousMonth(const platform::Date& date);

platform::Date getHourWithOffset(const platform::Date& date, int64_t hours);
platform::Date getMinuteWithOffset(const platform::Date& date, int64_t minutes);
platform::Date getDayWithOffset(const platform::Date& date, int64_t days);
platform::Date getWeekWithOffset(const platform::Date& date, int64_t weeks);
platform::Date getMonthWithOffset(const platform::Date& date, int64_t months);
platform::Date getYearWithOffset(const platform::Date& date, int64_t years);

// The date to the whole second with the hour and/or minute replaced.
platform::Date dateWithHour_andMinuten(const platform::Date& date, int64_t hour, int64_t minute);
platform::Date dateWithHour(const platform::Date& date, int64_t hour);
platform::Date dateWithMinute(const platform::Date& date, int64_t minute);
// The same time on the given weekday (1 = Sunday) of the date's own week (weeks start on Sunday). The
// week is found from the date itself, so a week that spans New Year stays that week.
platform::Date dateWithWeekDay(const platform::Date& date, int64_t weekday);
// The current date and time (not the receiver) to the whole second with the day of the month / the
// month replaced.
platform::Date setDayOfMonth(const platform::Date& date, int64_t day);
platform::Date setMonth(const platform::Date& date, int64_t month);

// The date if it is a Monday, otherwise the same time on the Monday before it.
platform::Date findMondayOfCurrentWeek(const platform::Date& date);
// True when today is one of the seven days starting with the given calendar date. The receiving date
// plays no part.
bool isTodayInWeekWithStart_andMonth_andYear(const platform::Date& date, int64_t day, int64_t month,
                                             int64_t year);

platform::Date dateFromDay_andMonth_andYear(int64_t day, int64_t month, int64_t year);
// Whole days from the first to the second (negative when the second is earlier).
int64_t daysBetweenDate_andDate(const platform::Date& first, const platform::Date& second);
// Absolute difference in whole minutes, truncated.
int64_t minutesBetweenDates_andDate(const platform::Date& first, const platform::Date& second);
// Midnights passed from the first date's local day to the second's (negative when the second is
// earlier).
int64_t midnightsBetweenDate_andDate(const platform::Date& first, const platform::Date& second);

int64_t numberOfDaysInMonth(const platform::Date& date);
bool isToday(const platform::Date& date);
bool isSameDayAs(const platform::Date& date, const platform::Date& other);
bool isSameMonthAs(const platform::Date& date, const platform::Date& other);
bool isSameYearAs(const platform::Date& date, const platform::Date& other);

// The first date unless the second is strictly earlier / later.
platform::Date earlierDateOf_andDate(const platform::Date& first, const platform::Date& second);
platform::Date laterDateOf_andDate(const platform::Date& first, const platform::Date& second);

bool isBetween_andDate(const platform::Date& date, const platform::Date& start, const platform::Date& end);
bool isBeforeDate(const platform::Date& date, const platform::Date& other);
bool isAfterDate(const platform::Date& date, const platform::Date& other);

}  // namespace kestrune
