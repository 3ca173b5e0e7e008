#pragma once

#include <cstdint>

namespace kestrune {

class TutorialWalkAway;

// Hears the walk-away page's finish button.
class TutorialWalkAwayDelegate {
public:
    virtual ~TutorialWalkAwayDelegate() = default;
    virtual void tutorialWalkAwayDidSelectFinishTutorial(TutorialWalkAway& page) = 0;
};

}  // namespace kestrune
