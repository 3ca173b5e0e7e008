#pragma once

#include "platform/ui/Geometry.h"

namespace kestrune {

namespace ui = platform::ui;

// Rectangle, point and size helpers. Values in and out; nothing is validated or normalised, so a
// negative size stays negative.
ui::Size sizeWithWidthAndRatio(double width, double ratio);
ui::Size sizeWithHeightAndRatio(double height, double ratio);
ui::Rect rectWithX(ui::Rect rect, double x);
ui::Rect rectWithY(ui::Rect rect, double y);
ui::Rect rectWithWidth(ui::Rect rect, double width);
ui::Rect rectWithHeight(ui::Rect rect, double height);
ui::Rect rectWithOrigin(ui::Rect rect, ui::Point origin);
ui::Rect rectWithSize(ui::Rect rect, ui::Size size);
ui::Rect rectByAddingSize(ui::Rect rect, ui::Size delta);
// Moves the origin in by d and shrinks each side by 2d.
ui::Rect rectInsetBy(ui::Rect rect, double d);
ui::Rect rectScaledAboutCenter(ui::Rect rect, double factor);
ui::Point rectCenter(ui::Rect rect);
ui::Rect rectWithSizeCenteredAtPoint(ui::Size size, ui::Point point);
ui::Rect rectCenteredAtPoint(ui::Rect rect, ui::Point point);
ui::Rect rectWithCenterX(ui::Rect rect, double x);
ui::Rect rectWithCenterY(ui::Rect rect, double y);
// The right edge at x.
ui::Rect rectWithMaxX(ui::Rect rect, double x);
// Centred on the container's size alone: the container's origin is not added, so the result is right
// for a container that is the rectangle's superview's bounds.
ui::Rect rectCenteredHorizontallyIn(ui::Rect rect, ui::Rect container);
ui::Rect rectCenteredVerticallyIn(ui::Rect rect, ui::Rect container);
ui::Point rectTopLeft(ui::Rect rect);
ui::Point rectTopRight(ui::Rect rect);
ui::Point rectBottomLeft(ui::Rect rect);
ui::Point rectBottomRight(ui::Rect rect);
ui::Point pointAdd(ui::Point a, ui::Point b);
// The minimum when it is above the value, else the maximum when the value is above it, else the value:
// with the limits the wrong way round the minimum wins.
double clampValue(double value, double minimum, double maximum);

}  // namespace kestrune
