#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// What the help pagers report: 0 the user asked to clear the Bluetooth cache, 1 the pager appeared, 2 it
// disappeared. The sender may be none; the coordinator does not read it. Any other number means nothing.
class HelpDelegate {
public:
    enum Option : int32_t {
        kClearBluetoothCache = 0,
        kDidAppear = 1,
        kDidDisappear = 2,
    };

    virtual ~HelpDelegate() = default;
    virtual void helpDelegate_didSelectOption(platform::ui::UIObject* sender, int32_t option) = 0;
};

}  // namespace kestrune
