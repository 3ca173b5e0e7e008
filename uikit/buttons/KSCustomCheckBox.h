#pragma once

#include <memory>

#include "platform/ui/Button.h"

namespace kestrune {

namespace ui = platform::ui;

// A check box drawn with the application's two check-box pictures, set up at its first layout.
class KSCustomCheckBox : public ui::Button {
public:
    static std::shared_ptr<KSCustomCheckBox> create(ui::Rect frame = {}) {
        return ui::make<KSCustomCheckBox>(frame);
    }
    void layout() override;
    // The picture of the state (the alternate one when on) in place of the usual box, the title after it.
    void drawRect(ui::Rect dirty) override;

    bool didLayoutViewsOnce() const { return didLayoutViewsOnce_; }

private:
    bool didLayoutViewsOnce_ = false;
};

}  // namespace kestrune
