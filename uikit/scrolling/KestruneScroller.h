#pragma once

#include <memory>

#include "platform/ui/ScrollView.h"

namespace kestrune {

namespace ui = platform::ui;

// A scroller that shows only its knob: the track is erased to clear.
class KestruneScroller : public ui::Scroller {
public:
    static std::shared_ptr<KestruneScroller> create(ui::Rect frame = {}) {
        return ui::make<KestruneScroller>(frame);
    }
    void drawRect(ui::Rect dirty) override;
};

}  // namespace kestrune
