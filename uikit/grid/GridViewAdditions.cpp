#include "uikit/grid/GridViewAdditions.h"

namespace kestrune {

bool isSubviewOfView(const platform::ui::View& receiver, const platform::ui::View& view) {
    return containsSubView(view, receiver);
}

bool containsSubView(const platform::ui::View& receiver, const platform::ui::View& subview) {
    for (const auto& child : receiver.subviews())
        if (child.get() == &subview) return true;
    return false;
}

}  // namespace kestrune
