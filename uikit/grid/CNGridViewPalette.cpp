#include "uikit/grid/CNGridViewPalette.h"

namespace kestrune {

using platform::ui::Color;

Color itemBackgroundColor() {
    return Color::colorWithCalibratedWhite_alpha(0.0, 0.05);
}

Color itemBackgroundHoverColor() {
    return Color::colorWithCalibratedWhite_alpha(0.0, 0.1);
}

Color itemBackgroundSelectionColor() {
    return Color::colorWithCalibratedWhite_alpha(0.0, 0.25);
}

Color itemSelectionRingColor() {
    return Color::colorWithCalibratedRed_green_blue_alpha(0.346, 0.531, 0.792, 1.0);
}

Color itemTitleColor() {
    return Color::colorWithDeviceRed_green_blue_alpha(0.196, 0.2, 0.2, 1.0);
}

Color itemTitleShadowColor() {
    return Color::colorWithDeviceWhite_alpha(1.0, 0.8);
}

Color selectionFrameColor() {
    return Color::grayColor();
}

}  // namespace kestrune
