#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// The settings drop-down menu's own delegate. No item of the menu calls it.
class MenuBarSettingsDelegate {
public:
    virtual ~MenuBarSettingsDelegate() = default;
    virtual void menuBarSettings_didSelectOption(platform::ui::UIObject* menu, int64_t option) = 0;
};

}  // namespace kestrune
