#pragma once

#include <string>

#include "app/support/DateFormatter.h"
#include "platform/base/Date.h"

namespace kestrune {

// Local time stamps for logs, the tracker file and the history.
class NSDateFormatterHelper {
public:
    static const DateFormatter& yearToSecondsDateFormatter();  // "yyyy-MM-dd HH:mm:ss"
    static const DateFormatter& yearToMinutesDateFormatter();  // "yyyy-MM-dd HH:mm"

    static std::string stringFromDate(const platform::Date& date);
    static std::string stringToMinutesFromDate(const platform::Date& date);
    static std::string currentDateFromYearToSeconds();
};

}  // namespace kestrune
