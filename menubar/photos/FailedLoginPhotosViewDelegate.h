#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// Hears the failed-login photos information page: 0 back, 1 show all photos. The sender is the page (may be
// none); any other number means nothing.
class FailedLoginPhotosViewDelegate {
public:
    virtual ~FailedLoginPhotosViewDelegate() = default;
    virtual void failedLoginPhotosView_didSelectOption(platform::ui::UIObject* view, int32_t option) = 0;
};

}  // namespace kestrune
