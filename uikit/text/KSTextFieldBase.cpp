#include "uikit/text/KSTextFieldBase.h"

namespace kestrune {

void KSTextFieldBase::layout() {
    TextField::layout();
    if (didLayoutViewsOnce_) return;
    didLayoutViewsOnce_ = true;
    setUpInitialLayout();
}

void KSTextFieldBase::applyStyle(const std::string& fontName, double size, const ui::Color& color) {
    setTextColor(color);
    setFont(ui::Font::fontWithName_size(fontName, size));
}

}  // namespace kestrune
