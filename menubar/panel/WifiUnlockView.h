#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"
#include "uikit/switches/ITSwitch.h"

namespace kestrune {

namespace ui = platform::ui;

// The panel's trusted Wi-Fi row: its switch, label, icon, separator and edit-mode check box. No behaviour
// of its own; the panel fills it and hears its switch.
class WifiUnlockView : public ui::View {
public:
    std::shared_ptr<ITSwitch> wifiUnlockSwitch;
    std::shared_ptr<ui::TextField> wifiUnlockLabel;
    std::shared_ptr<ui::ImageView> wifiUnlockIcon;
    std::shared_ptr<ui::View> wifiUnlockSeparator;
    std::shared_ptr<ui::Button> checkBox;
};

}  // namespace kestrune
