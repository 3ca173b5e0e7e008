#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// Hears the login-photos information page: 0 back, 1 show all photos. The sender is the page (may be
// none).
class LoginPhotosViewDelegate {
public:
    virtual ~LoginPhotosViewDelegate() = default;
    virtual void loginPhotosView_didSelectOption(platform::ui::UIObject* view, int32_t option) = 0;
};

}  // namespace kestrune
