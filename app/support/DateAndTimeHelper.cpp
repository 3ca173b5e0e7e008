#include "app/support/DateAndTimeHelper.h"

#include "app/support/CachedCalendar.h"
#include "platform/base/Strings.h"

namespace kestrune {

std::string DateAndTimeHelper::hourAndMinuteString() {
    const DateComponents now = currentCalendarCached().components(platform::Date::now());
    return platform::format("%ld:%ld", static_cast<long>(now.hour), static_cast<long>(now.minute));
}

}  // namespace kestrune
