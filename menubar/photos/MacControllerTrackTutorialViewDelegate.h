#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// Hears the lock and unlock history information page: 0 previous, 1 show the history. The sender is the page
// (may be none); any other number means nothing.
class MacControllerTrackTutorialViewDelegate {
public:
    virtual ~MacControllerTrackTutorialViewDelegate() = default;
    virtual void macControllerTrackTutorialView_didSelectOption(platform::ui::UIObject* view,
                                                                int32_t option) = 0;
};

}  // namespace kestrune
