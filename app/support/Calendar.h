#pragma once

#include <cstdint>

#include "platform/base/Date.h"

namespace kestrune {

// The fields of a moment in the system's time zone (proleptic Gregorian calendar). The year is
// astronomical (0 is 1 BC); era is 1 from year 1 on and 0 before.
struct DateComponents {
    int64_t era = 1;
    int64_t year = 1970;
    int64_t month = 1;    // 1 ... 12
    int64_t day = 1;      // 1 ... 31
    int64_t hour = 0;     // 0 ... 23
    int64_t minute = 0;   // 0 ... 59
    int64_t second = 0;   // 0 ... 59
    int64_t weekday = 5;  // 1 = Sunday ... 7 = Saturday

    bool operator==(const DateComponents&) const = default;
};

// Calendar arithmetic in the system's time zone (TZ, as the C library reads it; a change of TZ takes
// effect after tzset()). Seconds are 64-bit throughout, so nothing wraps in 2038.
//
// Wall times that do not exist (skipped by a change to summer time) are read with the offset in force
// before the change, so 02:30 on such a day is 03:30; wall times that occur twice are read as the
// first occurrence.
class Calendar {
public:
    enum class Unit { Second, Minute, Hour, Day, Week, Month, Year };

    // The first day of a week (1 = Sunday), as in the default locale.
    int64_t firstWeekday() const { return 1; }

    DateComponents components(const platform::Date& date) const;
    // The moment of the given wall time. Fields out of range carry over (day 32 of January is
    // 1 February, month 13 is January of the next year, hour 24 is 00:00 of the next day).
    platform::Date dateFromComponents(int64_t year, int64_t month, int64_t day, int64_t hour = 0,
                                      int64_t minute = 0, int64_t second = 0) const;
    // Seconds, minutes and hours add elapsed time; days and weeks keep the wall time; months and years
    // keep the wall time and end on the last day of a shorter month (31 January + 1 month = 28 or
    // 29 February). Fractions of a second are kept.
    platform::Date dateByAdding(Unit unit, int64_t value, const platform::Date& date) const;

    // Whole days from one moment to another: the largest count whose step from `from` (keeping the
    // wall time) does not pass `to`; negative when `to` is earlier.
    int64_t daysFromDate_toDate(const platform::Date& from, const platform::Date& to) const;
    // The local calendar day of the moment as a running day number (0 = 1 January 1970).
    int64_t dayNumber(const platform::Date& date) const;

    static int64_t numberOfDaysInMonth(int64_t year, int64_t month);
    // Offset of local time from UTC in seconds at the moment.
    static int64_t secondsFromGMT(const platform::Date& date);
};

}  // namespace kestrune
