#pragma once

namespace kestrune {

// The panel's three background pictures ("notification_background", "menubar_background",
// "menubar_background_big"): a dark rounded panel with the arrow under the status item at its top
// middle. They are drawn for whatever size the panel has, so that corners and arrow keep their shape at
// every height; registered by name unless the bundle brings pictures of its own.
void registerPanelBackgroundsIfMissing();

// The panel's ground colour, for views that must hide what lies under them.
struct PanelColors {
    static constexpr double kRed = 0.15, kGreen = 0.16, kBlue = 0.18, kAlpha = 1.0;
    static constexpr double kArrowHeight = 9;
    static constexpr double kArrowWidth = 20;
    static constexpr double kCornerRadius = 8;
};

}  // namespace kestrune
