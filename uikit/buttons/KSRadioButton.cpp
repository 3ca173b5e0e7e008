#include "uikit/buttons/KSRadioButton.h"

namespace kestrune {

void KSRadioButton::drawRect(ui::Rect dirty) {
    CustomImageRadioButton::drawRect(dirty);
    setSelectedImageName_unselectedImageName("checkbox_checked", "checkbox_unchecked");
}

}  // namespace kestrune
