#include "uikit/buttons/KSButtonNibWidth.h"

namespace kestrune {

void KSButtonNibWidth::drawRect(ui::Rect dirty) {
    setAlwaysUseNibWidth(true);
    KSButton3::drawRect(dirty);
}

}  // namespace kestrune
