#pragma once

#include "app/support/Calendar.h"

namespace kestrune {

// The calendar of the system's time zone, created once for the life of the process.
const Calendar& currentCalendarCached();

}  // namespace kestrune
