#include "platform/ui/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform::ui {

bool Rect::containsRect(const Rect& r) const {
    return r.minX() >= minX() && r.maxX() <= maxX() && r.minY() >= minY() && r.maxY() <= maxY();
}

bool Rect::intersects(const Rect& r) const {
    return !isEmpty() && !r.isEmpty() && minX() < r.maxX() && r.minX() < maxX() && minY() < r.maxY() &&
           r.minY() < maxY();
}

Rect Rect::intersection(const Rect& r) const {
    if (!intersects(r)) return {};
    const double x0 = std::max(minX(), r.minX()), y0 = std::max(minY(), r.minY());
    const double x1 = std::min(maxX(), r.maxX()), y1 = std::min(maxY(), r.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::unionWith(const Rect& r) const {
    if (isEmpty()) return r;
    if (r.isEmpty()) return *this;
    const double x0 = std::min(minX(), r.minX()), y0 = std::min(minY(), r.minY());
    const double x1 = std::max(maxX(), r.maxX()), y1 = std::max(maxY(), r.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::integral() const {
    if (isEmpty()) return {};
    const double x0 = std::floor(minX()), y0 = std::floor(minY());
    return {x0, y0, std::ceil(maxX()) - x0, std::ceil(maxY()) - y0};
}

std::string Rect::description() const {
    char text[128];
    std::snprintf(text, sizeof text, "{{%g, %g}, {%g, %g}}", origin.x, origin.y, size.width, size.height);
    return text;
}

AffineTransform AffineTransform::rotation(double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    return {c, s, -s, c, 0, 0};
}

AffineTransform AffineTransform::concat(const AffineTransform& f) const {
    // (this ∘ first)(p) = this(first(p))
    return {a * f.a + c * f.b, b * f.a + d * f.b,        a * f.c + c * f.d,
            b * f.c + d * f.d, a * f.tx + c * f.ty + tx, b * f.tx + d * f.ty + ty};
}

AffineTransform AffineTransform::inverted() const {
    const double det = a * d - b * c;
    if (det == 0) return *this;  // a singular transform has no inverse; the platform answers it unchanged
    return {d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
}

Rect AffineTransform::apply(const Rect& r) const {
    const Point p[4] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}),
                        apply(Point{r.minX(), r.maxY()}), apply(Point{r.maxX(), r.maxY()})};
    double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (const auto& q : p) {
        x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace platform::ui
