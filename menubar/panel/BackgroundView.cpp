#include "menubar/panel/BackgroundView.h"

namespace kestrune {

void BackgroundView::setArrowX(int64_t x) {
    arrowX_ = x;
    setNeedsDisplay(true);
}

}  // namespace kestrune
