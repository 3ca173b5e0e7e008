#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// Hears the photo window's choices: 0 show the login-photos information, 1 show the failed-login
// photos information. The sender is the window (may be none); any other number means nothing.
class KestruneCollectionWindowDelegate {
public:
    virtual ~KestruneCollectionWindowDelegate() = default;
    virtual void kestruneCollectionWindow_didSelectOption(platform::ui::UIObject* window, int32_t option) = 0;
};

}  // namespace kestrune
