#pragma once

#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The rectangle a drag sweeps over a grid view: a faint dark fill with a white outline.
class CNSelectionFrameView : public ui::View {
public:
    bool isFlipped() const override { return true; }
    void drawRect(ui::Rect dirty) override;
};

}  // namespace kestrune
