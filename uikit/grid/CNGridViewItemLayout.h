#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Color.h"
#include "platform/ui/TextAttributes.h"

namespace kestrune {

// One look of a grid item: its background, its selection ring and its title's text. Several items (and
// several looks of one item) may share a layout.
class CNGridViewItemLayout {
public:
    // Class-wide defaults of the numeric fields.
    static constexpr double kDefaultSelectionRingLineWidth = 3.0;
    static constexpr uint64_t kDefaultContentInset = 3;
    static constexpr uint64_t kDefaultItemBorderRadius = 5;
    static constexpr int32_t kDefaultVisibleContentMask = 3;

    // A new layout with the defaults.
    static std::shared_ptr<CNGridViewItemLayout> defaultLayout();

    platform::ui::Color backgroundColor;
    platform::ui::Color selectionRingColor;
    double selectionRingLineWidth = kDefaultSelectionRingLineWidth;
    // The next three are kept for the owner; drawing does not use them.
    uint64_t contentInset = kDefaultContentInset;
    uint64_t itemBorderRadius = kDefaultItemBorderRadius;
    int32_t visibleContentMask = kDefaultVisibleContentMask;
    platform::ui::TextAttributes itemTitleTextAttributes;

    CNGridViewItemLayout();
};

}  // namespace kestrune
