#pragma once

#include <string>

namespace platform::ui {

// Points, sizes and rectangles in points (doubles). Rectangles are never normalised: a negative size
// stays as given, which the geometry helpers above rely on.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(Point o, Size s) : origin(o), size(s) {}
    Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    bool isEmpty() const { return size.width <= 0 || size.height <= 0; }

    // Half-open on the maximum edges, as the platform's hit tests count them.
    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    bool containsRect(const Rect& r) const;
    bool intersects(const Rect& r) const;
    // The overlap, or an empty rectangle at the origin when there is none.
    Rect intersection(const Rect& r) const;
    // The smallest rectangle holding both; an empty rectangle does not count.
    Rect unionWith(const Rect& r) const;
    Rect insetBy(double dx, double dy) const {
        return {origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
    }
    Rect offsetBy(double dx, double dy) const {
        return {origin.x + dx, origin.y + dy, size.width, size.height};
    }
    // Outward to whole numbers.
    Rect integral() const;

    bool operator==(const Rect&) const = default;
    std::string description() const;
};

struct EdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    bool operator==(const EdgeInsets&) const = default;
};

// An affine transform: x' = a·x + c·y + tx, y' = b·x + d·y + ty.
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static AffineTransform rotation(double radians);

    // This transform applied after `first`.
    AffineTransform concat(const AffineTransform& first) const;
    AffineTransform inverted() const;
    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // The bounding box of the transformed rectangle.
    Rect apply(const Rect& r) const;
    bool isIdentity() const { return *this == AffineTransform{}; }
    bool operator==(const AffineTransform&) const = default;
};

// A range of UTF-16 units (text) or of indexes.
struct Range {
    size_t location = 0;
    size_t length = 0;
    size_t max() const { return location + length; }
    bool operator==(const Range&) const = default;
};

}  // namespace platform::ui
