#pragma once

#include "platform/ui/UIObject.h"

namespace kestrune {

// The clear-Bluetooth-cache wizard: the user pressed its delete button.
class ClearCacheControllerDelegate {
public:
    virtual ~ClearCacheControllerDelegate() = default;
    virtual void clearCacheControllerClearCache(platform::ui::UIObject* controller) = 0;
};

}  // namespace kestrune
