#pragma once

#include <memory>

#include "platform/ui/ScrollView.h"

namespace kestrune {

namespace ui = platform::ui;

// A scroll view moved only by code: the wheel and the trackpad do nothing.
class MyScrollView : public ui::ScrollView {
public:
    static std::shared_ptr<MyScrollView> create(ui::Rect frame = {}) { return ui::make<MyScrollView>(frame); }

    void scrollWheel(const ui::Event&) override {}
    // Scrolls the content to the point, at once or animated; an animated scroll ends on the point most
    // recently asked for, however the animations overlap.
    void scrollToPoint_animated(ui::Point point, bool animated);
    ui::Point lastPoint() const { return lastPoint_; }

private:
    ui::Point lastPoint_;
};

}  // namespace kestrune
