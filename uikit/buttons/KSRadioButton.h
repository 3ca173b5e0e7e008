#pragma once

#include <memory>

#include "uikit/buttons/CustomImageRadioButton.h"

namespace kestrune {

// The application's radio button: the check-box pictures for its two states.
class KSRadioButton : public CustomImageRadioButton {
public:
    static std::shared_ptr<KSRadioButton> create(ui::Rect frame = {}) {
        return ui::make<KSRadioButton>(frame);
    }
    void drawRect(ui::Rect dirty) override;
};

}  // namespace kestrune
