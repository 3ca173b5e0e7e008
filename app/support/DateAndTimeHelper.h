#pragma once

#include <string>

namespace kestrune {

class DateAndTimeHelper {
public:
    // The current local hour and minute without zero padding: 9:5 at 09:05, 0:0 at midnight.
    static std::string hourAndMinuteString();
};

}  // namespace kestrune
