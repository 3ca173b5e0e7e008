#pragma once

#include <memory>

#include "features/history/ActivityDayViewModel.h"
#include "uikit/grid/CNGridViewItem.h"

namespace kestrune {

// One day of the activity chart: a tall light column for the 24 hours, midnight at the top, with a
// green bar for each stretch during which the Mac was unlocked.
class CNCustomActivityDayViewItem : public CNGridViewItem {
public:
    static constexpr double kBorder = 3.0;
    static constexpr double kMinutesPerDay = 1440;

    const std::shared_ptr<ActivityDayViewModel>& dayViewModel() const { return dayViewModel_; }
    void setDayViewModel(std::shared_ptr<ActivityDayViewModel> model);
    double border() const { return kBorder; }

    void drawRect(ui::Rect dirty) override;

private:
    std::shared_ptr<ActivityDayViewModel> dayViewModel_;
};

}  // namespace kestrune
