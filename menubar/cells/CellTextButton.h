#pragma once

#include <memory>
#include <string>

#include "platform/ui/Button.h"

namespace kestrune {

namespace ui = platform::ui;

// A borderless button that shows only its title, always in its own colour: the cells retitle their
// buttons on every update, and a plain title change would drop the colour.
class CellTextButton : public ui::Button {
public:
    void setTitle(std::string title) override;
    const ui::Color& titleColor() const { return titleColor_; }
    void setTitleColor(const ui::Color& color);

private:
    ui::Color titleColor_ = ui::Color::controlTextColor();
};

}  // namespace kestrune
