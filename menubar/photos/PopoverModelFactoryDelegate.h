#pragma once

#include <cstdint>

namespace kestrune {

class PopoverModelFactory;

// Hears the popover buttons: 0 ok, 1 enable photos at each login, 2 enable photos of failed login
// attempts, 3 close, 4 learn more about login photos, 5 learn more about failed-login photos.
class PopoverModelFactoryDelegate {
public:
    virtual ~PopoverModelFactoryDelegate() = default;
    virtual void popoverModelFactory_didSelectOption(PopoverModelFactory& factory, int32_t option) = 0;
};

}  // namespace kestrune
