#include "uikit/splitwindow/WAYSourceListSplitView.h"

namespace kestrune {

void WAYSourceListSplitView::setCustomDividerColor(std::optional<ui::Color> color) {
    customDividerColor_ = std::move(color);
    if (customDividerColor_) setDividerColor(*customDividerColor_);
}

}  // namespace kestrune
