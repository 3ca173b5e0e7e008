#pragma once

#include <string>
#include <vector>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"

namespace platform::ui {

// A path of lines and cubic curves, with the line width used when it is stroked.
class BezierPath {
public:
    enum class Kind { MoveTo, LineTo, CurveTo, Close };
    struct Element {
        Kind kind;
        Point points[3];
    };

    static BezierPath bezierPathWithRect(Rect rect);
    static BezierPath bezierPathWithRoundedRect_xRadius_yRadius(Rect rect, double rx, double ry);
    static BezierPath bezierPathWithOvalInRect(Rect rect);

    void moveToPoint(Point p);
    void lineToPoint(Point p);
    void curveToPoint_controlPoint1_controlPoint2(Point end, Point c1, Point c2);
    void closePath();
    void appendBezierPath(const BezierPath& other);
    void transformUsingAffineTransform(const AffineTransform& t);

    // Fill and stroke in the current graphics context, with its current colours.
    void fill() const;
    void stroke() const;
    void addClip() const;

    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double width) { lineWidth_ = width; }
    const std::vector<Element>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }
    // The bounds of the points, control points included.
    Rect bounds() const;
    // A short text for display lists: "rect(x y w h)", "rrect(x y w h rx ry)", "oval(...)" or the
    // element list.
    std::string description() const;

private:
    std::vector<Element> elements_;
    double lineWidth_ = 1;
    std::string shape_;  // the constructor's description, while the path is unchanged
};

// A linear blend between colours at locations 0..1.
struct Gradient {
    std::vector<std::pair<double, Color>> stops;
};

}  // namespace platform::ui
