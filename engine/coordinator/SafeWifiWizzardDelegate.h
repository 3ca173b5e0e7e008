#pragma once

#include "platform/ui/UIObject.h"

namespace kestrune {

// The trusted Wi-Fi wizard asks to set the Wi-Fi unlock switch to the value.
class SafeWifiWizzardDelegate {
public:
    virtual ~SafeWifiWizzardDelegate() = default;
    virtual void safeWifiWizzard_udpateSafeWifi(platform::ui::UIObject* wizard, bool on) = 0;
};

}  // namespace kestrune
