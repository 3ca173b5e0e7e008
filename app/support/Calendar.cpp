#include "app/support/Calendar.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace kestrune {

namespace {

// Far beyond any real date, yet small enough that days, years and offsets stay exact in 64 bits and
// the C library can still convert it.
constexpr double kLimitSeconds = 1e14;
constexpr int64_t kLimitCount = 1000000000;

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = floorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
    z += 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2);
}

int64_t wholeSeconds(const platform::Date& date) {
    double seconds = date.timeIntervalSince1970();
    if (std::isnan(seconds)) return 0;
    return static_cast<int64_t>(std::floor(std::clamp(seconds, -kLimitSeconds, kLimitSeconds)));
}

double fraction(const platform::Date& date) {
    double seconds = date.timeIntervalSince1970();
    if (!std::isfinite(seconds) || std::fabs(seconds) > kLimitSeconds) return 0;
    return seconds - std::floor(seconds);
}

int64_t offsetAt(int64_t seconds) {
    time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    if (!localtime_r(&t, &local)) return 0;
    return local.tm_gmtoff;
}

// Local wall seconds (as if the wall time were UTC) to the moment.
int64_t momentOfWallTime(int64_t wall) {
    const int64_t before = offsetAt(wall - 86400);
    const int64_t candidates[] = {before, offsetAt(wall), offsetAt(wall + 86400)};
    bool found = false;
    int64_t best = 0;
    for (int64_t offset : candidates) {
        int64_t moment = wall - offset;
        if (offsetAt(moment) == offset && (!found || moment < best)) {
            best = moment;
            found = true;
        }
    }
    return found ? best : wall - before;
}

platform::Date dateFromWholeSeconds(int64_t seconds, double fractionPart = 0) {
    return platform::Date::dateWithTimeIntervalSince1970(static_cast<double>(seconds) + fractionPart);
}

int64_t clampCount(int64_t value) {
    return std::clamp(value, -kLimitCount, kLimitCount);
}

}  // namespace

DateComponents Calendar::components(const platform::Date& date) const {
    const int64_t seconds = wholeSeconds(date);
    const int64_t wall = seconds + offsetAt(seconds);
    const int64_t days = floorDiv(wall, 86400);
    const int64_t secondOfDay = wall - days * 86400;
    DateComponents c;
    civilFromDays(days, c.year, c.month, c.day);
    c.era = c.year >= 1 ? 1 : 0;
    c.hour = secondOfDay / 3600;
    c.minute = secondOfDay / 60 % 60;
    c.second = secondOfDay % 60;
    const int64_t sinceSunday = days + 4;  // 1970-01-01 was a Thursday
    c.weekday = sinceSunday - floorDiv(sinceSunday, 7) * 7 + 1;
    return c;
}

platform::Date Calendar::dateFromComponents(int64_t year, int64_t month, int64_t day, int64_t hour,
                                            int64_t minute, int64_t second) const {
    year = clampCount(year);
    month = clampCount(month);
    day = clampCount(day);
    hour = clampCount(hour);
    minute = clampCount(minute);
    second = clampCount(second);
    const int64_t months = year * 12 + (month - 1);
    const int64_t y = floorDiv(months, 12);
    const int64_t m = months - y * 12 + 1;
    const int64_t days = daysFromCivil(y, m, 1) + (day - 1);
    const int64_t wall = days * 86400 + hour * 3600 + minute * 60 + second;
    return dateFromWholeSeconds(momentOfWallTime(wall));
}

platform::Date Calendar::dateByAdding(Unit unit, int64_t value, const platform::Date& date) const {
    value = clampCount(value);
    switch (unit) {
        case Unit::Second:
            return date.dateByAddingTimeInterval(static_cast<double>(value));
        case Unit::Minute:
            return date.dateByAddingTimeInterval(static_cast<double>(value) * 60);
        case Unit::Hour:
            return date.dateByAddingTimeInterval(static_cast<double>(value) * 3600);
        default:
            break;
    }
    const DateComponents c = components(date);
    int64_t year = c.year, month = c.month, day = c.day;
    if (unit == Unit::Day || unit == Unit::Week) {
        day += unit == Unit::Week ? value * 7 : value;
    } else {
        const int64_t months = year * 12 + (month - 1) + (unit == Unit::Year ? value * 12 : value);
        year = floorDiv(months, 12);
        month = months - year * 12 + 1;
        day = std::min(day, numberOfDaysInMonth(year, month));
    }
    const platform::Date whole = dateFromComponents(year, month, day, c.hour, c.minute, c.second);
    return whole.dateByAddingTimeInterval(fraction(date));
}

int64_t Calendar::daysFromDate_toDate(const platform::Date& from, const platform::Date& to) const {
    int64_t days = dayNumber(to) - dayNumber(from);
    if (from <= to) {
        while (days > 0 && dateByAdding(Unit::Day, days, from) > to) --days;
    } else {
        while (days < 0 && dateByAdding(Unit::Day, days, from) < to) ++days;
    }
    return days;
}

int64_t Calendar::dayNumber(const platform::Date& date) const {
    const int64_t seconds = wholeSeconds(date);
    return floorDiv(seconds + offsetAt(seconds), 86400);
}

int64_t Calendar::numberOfDaysInMonth(int64_t year, int64_t month) {
    const int64_t months = clampCount(year) * 12 + (clampCount(month) - 1);
    const int64_t y = floorDiv(months, 12);
    const int64_t m = months - y * 12 + 1;
    return daysFromCivil(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1) - daysFromCivil(y, m, 1);
}

int64_t Calendar::secondsFromGMT(const platform::Date& date) {
    return offsetAt(wholeSeconds(date));
}

}  // namespace kestrune
