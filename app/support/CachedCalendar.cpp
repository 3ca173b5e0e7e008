#include "app/support/CachedCalendar.h"

namespace kestrune {

const Calendar& currentCalendarCached() {
    static const Calendar calendar;
    return calendar;
}

}  // namespace kestrune
