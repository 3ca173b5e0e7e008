#include "app/support/CachedCalendar.h"

namespace kestrune {

const Calendar& currentCalendarCached() {
    // Never destroyed: background work reads it until the process ends.
    static const auto& calendar = *new Calendar;
    return calendar;
}

}  // namespace kestrune
