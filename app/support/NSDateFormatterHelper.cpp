#include "app/support/NSDateFormatterHelper.h"

namespace kestrune {

// The formatters are never destroyed: background work formats dates until the process ends.

const DateFormatter& NSDateFormatterHelper::yearToSecondsDateFormatter() {
    static const auto& formatter = *new DateFormatter("yyyy-MM-dd HH:mm:ss");
    return formatter;
}

const DateFormatter& NSDateFormatterHelper::yearToMinutesDateFormatter() {
    static const auto& formatter = *new DateFormatter("yyyy-MM-dd HH:mm");
    return formatter;
}

std::string NSDateFormatterHelper::stringFromDate(const platform::Date& date) {
    return yearToSecondsDateFormatter().stringFromDate(date);
}

std::string NSDateFormatterHelper::stringToMinutesFromDate(const platform::Date& date) {
    return yearToMinutesDateFormatter().stringFromDate(date);
}

std::string NSDateFormatterHelper::currentDateFromYearToSeconds() {
    return stringFromDate(platform::Date::now());
}

}  // namespace kestrune
