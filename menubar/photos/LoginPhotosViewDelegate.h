#pragma once

#include <cstdint>

#include "platform/ui/ViewController.h"

namespace kestrune {

// Hears the login-photos information page: 0 back, 1 show all photos.
class LoginPhotosViewDelegate {
public:
    virtual ~LoginPhotosViewDelegate() = default;
    virtual void loginPhotosView_didSelectOption(platform::ui::ViewController& view, int32_t option) = 0;
};

}  // namespace kestrune
