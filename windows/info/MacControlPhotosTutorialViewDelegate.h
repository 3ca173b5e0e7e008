#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// Hears the overview of the photo and history features: 1 failed-login photos, 2 login photos, 3 the
// lock and unlock history. The sender is the page; any other number means nothing.
class MacControlPhotosTutorialViewDelegate {
public:
    virtual ~MacControlPhotosTutorialViewDelegate() = default;
    virtual void macControlPhotosTutorialView_didSelectOption(platform::ui::UIObject* view,
                                                              int32_t option) = 0;
};

}  // namespace kestrune
