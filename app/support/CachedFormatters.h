#pragma once

#include <string>

#include "app/support/DateFormatter.h"

namespace kestrune {

// Shared formatters, each created on first use and kept for the life of the process. They are not
// changed after creation, so any thread may use them.
//
// The year in these patterns is the calendar year ("yyyy"): the week year ("YYYY") would put the last
// days of December under the next year, so the day key of 30 December 2024 would read "2025 12 30".

// The day key of the activity chart: "yyyy MM dd".
const DateFormatter& dictionaryDateFormatter();
const DateFormatter& dictionaryYearFormatter();     // "yyyy"
const DateFormatter& dictionaryMonthFormatter();    // "MM"
const DateFormatter& dictionaryDayFormatter();      // "dd"
const DateFormatter& fullMonthNameYearFormatter();  // "MMMM dd, yyyy"
const DateFormatter& fullMonthNameFormatter();      // "MMMM dd"
// The short time of the interface language.
const DateFormatter& eventDateFormatter();
// A formatter of the current locale with neither a pattern nor a style: it formats to the empty text.
const DateFormatter& localDateFormatter();
// One shared formatter per pattern.
const DateFormatter& dateFormatterForDateFormat(const std::string& dateFormat);

}  // namespace kestrune
