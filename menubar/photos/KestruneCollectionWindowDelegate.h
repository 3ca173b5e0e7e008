#pragma once

#include <cstdint>

#include "platform/ui/WindowController.h"

namespace kestrune {

// Hears the photo window's choices: 0 show the login-photos information, 1 show the failed-login
// photos information.
class KestruneCollectionWindowDelegate {
public:
    virtual ~KestruneCollectionWindowDelegate() = default;
    virtual void kestruneCollectionWindow_didSelectOption(platform::ui::WindowController& window,
                                                          int32_t option) = 0;
};

}  // namespace kestrune
