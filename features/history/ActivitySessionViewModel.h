#pragma once

#include <cstdint>

#include "features/history/PresentationEntry.h"

namespace kestrune {

// The part of a session that lies on one day of the activity chart.
class ActivitySessionViewModel : public PresentationEntry {
public:
    platform::Date startDate;
    platform::Date endDate;
    // Hour x 60 + minute of the start and the end, seconds ignored.
    uint64_t startDateInMinutesOfDay = 0;
    uint64_t endDateInMinutesOfDay = 0;
    double timeIntervalInSeconds = 0;
};

}  // namespace kestrune
