#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "features/history/ActivitySessionViewModel.h"

namespace kestrune {

// One day of the activity chart: its session parts and how long the Mac was unlocked in all.
class ActivityDayViewModel {
public:
    static std::shared_ptr<ActivityDayViewModel> initWithDate(platform::Date date) {
        auto model = std::make_shared<ActivityDayViewModel>();
        model->date = date;
        return model;
    }

    // A moment of the day.
    platform::Date date;
    std::vector<std::shared_ptr<ActivitySessionViewModel>> sessionArray;
    int64_t totalSecondsLoggedIn = 0;
};

}  // namespace kestrune
