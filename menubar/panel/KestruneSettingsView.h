#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"
#include "uikit/switches/ITSwitch.h"

namespace kestrune {

namespace ui = platform::ui;

// The panel's proximity row: the switch, the lock distance's caption, value and slider, the button that
// explains a pause, and the edit-mode check box. It holds its controls; the panel fills them.
class KestruneSettingsView : public ui::View {
public:
    std::shared_ptr<ITSwitch> proximitySwitch;
    std::shared_ptr<ui::TextField> distanceTextField;
    std::shared_ptr<ui::Slider> distanceSlider;
    std::shared_ptr<ui::TextField> kestruneLabel;
    std::shared_ptr<ui::TextField> distanceTextLabel;
    std::shared_ptr<ui::View> horizontalLine2;
    std::shared_ptr<ui::Button> temporaryDisabledButton;
    std::shared_ptr<ui::Button> checkBox;
};

}  // namespace kestrune
