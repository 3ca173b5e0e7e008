#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/UIObject.h"

namespace kestrune {

class MobileDevice;

// The menu-bar controller's own delegate. The controller only holds it; nothing calls it.
class MainMenuBarControllerDelegate {
public:
    virtual ~MainMenuBarControllerDelegate() = default;
    virtual void mainMenuBarController_didSelectOption_forMobileDevice(
        platform::ui::UIObject* controller, int64_t option, const std::shared_ptr<MobileDevice>& phone) = 0;
};

}  // namespace kestrune
