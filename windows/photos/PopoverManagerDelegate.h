#pragma once

#include <cstdint>

namespace kestrune {

class PopoverManager;

// Hears the photo window's popover: 0 it closed, 1 show the login-photos information, 2 show the
// failed-login photos information.
class PopoverManagerDelegate {
public:
    virtual ~PopoverManagerDelegate() = default;
    virtual void popoverManager_didSelectOption(PopoverManager& manager, int32_t option) = 0;
};

}  // namespace kestrune
