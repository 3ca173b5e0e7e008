#include "uikit/views/GeometryFunctions.h"

namespace kestrune {

ui::Size sizeWithWidthAndRatio(double width, double ratio) {
    return {width, width * ratio};
}

ui::Size sizeWithHeightAndRatio(double height, double ratio) {
    return {height * ratio, height};
}

ui::Rect rectWithX(ui::Rect rect, double x) {
    rect.origin.x = x;
    return rect;
}

ui::Rect rectWithY(ui::Rect rect, double y) {
    rect.origin.y = y;
    return rect;
}

ui::Rect rectWithWidth(ui::Rect rect, double width) {
    rect.size.width = width;
    return rect;
}

ui::Rect rectWithHeight(ui::Rect rect, double height) {
    rect.size.height = height;
    return rect;
}

ui::Rect rectWithOrigin(ui::Rect rect, ui::Point origin) {
    rect.origin = origin;
    return rect;
}

ui::Rect rectWithSize(ui::Rect rect, ui::Size size) {
    rect.size = size;
    return rect;
}

ui::Rect rectByAddingSize(ui::Rect rect, ui::Size delta) {
    rect.size.width += delta.width;
    rect.size.height += delta.height;
    return rect;
}

ui::Rect rectInsetBy(ui::Rect rect, double d) {
    return {rect.origin.x + d, rect.origin.y + d, rect.size.width - 2 * d, rect.size.height - 2 * d};
}

ui::Rect rectScaledAboutCenter(ui::Rect rect, double factor) {
    return rectWithSizeCenteredAtPoint({rect.size.width * factor, rect.size.height * factor},
                                       rectCenter(rect));
}

ui::Point rectCenter(ui::Rect rect) {
    return {rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2};
}

ui::Rect rectWithSizeCenteredAtPoint(ui::Size size, ui::Point point) {
    return {point.x - size.width / 2, point.y - size.height / 2, size.width, size.height};
}

ui::Rect rectCenteredAtPoint(ui::Rect rect, ui::Point point) {
    return rectWithSizeCenteredAtPoint(rect.size, point);
}

ui::Rect rectWithCenterX(ui::Rect rect, double x) {
    rect.origin.x = x - rect.size.width / 2;
    return rect;
}

ui::Rect rectWithCenterY(ui::Rect rect, double y) {
    rect.origin.y = y - rect.size.height / 2;
    return rect;
}

ui::Rect rectWithMaxX(ui::Rect rect, double x) {
    rect.origin.x = x - rect.size.width;
    return rect;
}

ui::Rect rectCenteredHorizontallyIn(ui::Rect rect, ui::Rect container) {
    rect.origin.x = container.size.width / 2 - rect.size.width / 2;
    return rect;
}

ui::Rect rectCenteredVerticallyIn(ui::Rect rect, ui::Rect container) {
    rect.origin.y = container.size.height / 2 - rect.size.height / 2;
    return rect;
}

ui::Point rectTopLeft(ui::Rect rect) {
    return {rect.minX(), rect.maxY()};
}

ui::Point rectTopRight(ui::Rect rect) {
    return {rect.maxX(), rect.maxY()};
}

ui::Point rectBottomLeft(ui::Rect rect) {
    return {rect.minX(), rect.minY()};
}

ui::Point rectBottomRight(ui::Rect rect) {
    return {rect.maxX(), rect.minY()};
}

ui::Point pointAdd(ui::Point a, ui::Point b) {
    return {a.x + b.x, a.y + b.y};
}

double clampValue(double value, double minimum, double maximum) {
    if (minimum > value) return minimum;
    if (value > maximum) return maximum;
    return value;
}

}  // namespace kestrune
