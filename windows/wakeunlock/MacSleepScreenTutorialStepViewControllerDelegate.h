#pragma once

#include <cstdint>

namespace kestrune {

class MacSleepScreenTutorialStepViewController;

// Hears the step page: 0 the confirmation method changed, 1 put the Mac to sleep now.
class MacSleepScreenTutorialStepViewControllerDelegate {
public:
    virtual ~MacSleepScreenTutorialStepViewControllerDelegate() = default;
    virtual void macSleepScreenTutorialStepViewController_didSelectOption(
        MacSleepScreenTutorialStepViewController& page, int32_t option) = 0;
};

}  // namespace kestrune
