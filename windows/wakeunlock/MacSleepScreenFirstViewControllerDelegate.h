#pragma once

namespace kestrune {

class MacSleepScreenFirstViewController;

// Hears the wake-unlock introduction's button.
class MacSleepScreenFirstViewControllerDelegate {
public:
    virtual ~MacSleepScreenFirstViewControllerDelegate() = default;
    virtual void macSleepScreenFirstViewControllerDidSelectShowTutorial(
        MacSleepScreenFirstViewController& page) = 0;
};

}  // namespace kestrune
