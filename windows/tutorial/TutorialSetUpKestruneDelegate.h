#pragma once

#include <cstdint>

namespace kestrune {

class TutorialSetUpKestrune;

// Hears the set-up page's button that opens the menu-bar panel.
class TutorialSetUpKestruneDelegate {
public:
    virtual ~TutorialSetUpKestruneDelegate() = default;
    virtual void tutorialSelectOpenMainMenu(TutorialSetUpKestrune& page) = 0;
};

}  // namespace kestrune
