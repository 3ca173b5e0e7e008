#include "menubar/cells/CellTextButton.h"

#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

void CellTextButton::setTitle(std::string title) {
    Button::setTitle(std::move(title));
    setTextColor(*this, titleColor_);
}

void CellTextButton::setTitleColor(const ui::Color& color) {
    titleColor_ = color;
    setTextColor(*this, titleColor_);
}

}  // namespace kestrune
