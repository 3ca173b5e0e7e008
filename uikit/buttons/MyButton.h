#pragma once

#include <memory>

#include "platform/ui/Button.h"

namespace kestrune {

namespace ui = platform::ui;

// A hover button: dimmed to 0.6 until the pointer is over it, its picture painted black.
class MyButton : public ui::Button {
public:
    static std::shared_ptr<MyButton> create(ui::Rect frame = {}) { return ui::make<MyButton>(frame); }
    void awakeFromNib() override;
    void initalize();
    void createTrackingArea();
    void setDefaultValue();
    void mouseEntered(const ui::Event& e) override;
    void mouseExited(const ui::Event& e) override;
};

}  // namespace kestrune
