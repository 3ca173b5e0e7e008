#include "platform/ui/BezierPath.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/Color.h"
#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

namespace {
// The control-point distance of a cubic that approximates a quarter circle.
constexpr double kKappa = 0.5522847498;

std::string numbers(std::initializer_list<double> values) {
    std::string s;
    char buf[32];
    for (double v : values) {
        std::snprintf(buf, sizeof buf, s.empty() ? "%g" : " %g", v);
        s += buf;
    }
    return s;
}
}  // namespace

BezierPath BezierPath::bezierPathWithRect(Rect r) {
    BezierPath p;
    p.moveToPoint({r.minX(), r.minY()});
    p.lineToPoint({r.maxX(), r.minY()});
    p.lineToPoint({r.maxX(), r.maxY()});
    p.lineToPoint({r.minX(), r.maxY()});
    p.closePath();
    p.shape_ = "rect(" + numbers({r.minX(), r.minY(), r.width(), r.height()}) + ")";
    return p;
}

BezierPath BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(Rect r, double rx, double ry) {
    rx = std::clamp(rx, 0.0, r.width() / 2);
    ry = std::clamp(ry, 0.0, r.height() / 2);
    if (rx == 0 || ry == 0) return bezierPathWithRect(r);
    BezierPath p;
    const double kx = rx * kKappa, ky = ry * kKappa;
    p.moveToPoint({r.minX() + rx, r.minY()});
    p.lineToPoint({r.maxX() - rx, r.minY()});
    p.curveToPoint_controlPoint1_controlPoint2({r.maxX(), r.minY() + ry}, {r.maxX() - rx + kx, r.minY()},
                                               {r.maxX(), r.minY() + ry - ky});
    p.lineToPoint({r.maxX(), r.maxY() - ry});
    p.curveToPoint_controlPoint1_controlPoint2({r.maxX() - rx, r.maxY()}, {r.maxX(), r.maxY() - ry + ky},
                                               {r.maxX() - rx + kx, r.maxY()});
    p.lineToPoint({r.minX() + rx, r.maxY()});
    p.curveToPoint_controlPoint1_controlPoint2({r.minX(), r.maxY() - ry}, {r.minX() + rx - kx, r.maxY()},
                                               {r.minX(), r.maxY() - ry + ky});
    p.lineToPoint({r.minX(), r.minY() + ry});
    p.curveToPoint_controlPoint1_controlPoint2({r.minX() + rx, r.minY()}, {r.minX(), r.minY() + ry - ky},
                                               {r.minX() + rx - kx, r.minY()});
    p.closePath();
    p.shape_ = "rrect(" + numbers({r.minX(), r.minY(), r.width(), r.height(), rx, ry}) + ")";
    return p;
}

BezierPath BezierPath::bezierPathWithOvalInRect(Rect r) {
    BezierPath p;
    const double rx = r.width() / 2, ry = r.height() / 2, cx = r.midX(), cy = r.midY();
    const double kx = rx * kKappa, ky = ry * kKappa;
    p.moveToPoint({cx + rx, cy});
    p.curveToPoint_controlPoint1_controlPoint2({cx, cy + ry}, {cx + rx, cy + ky}, {cx + kx, cy + ry});
    p.curveToPoint_controlPoint1_controlPoint2({cx - rx, cy}, {cx - kx, cy + ry}, {cx - rx, cy + ky});
    p.curveToPoint_controlPoint1_controlPoint2({cx, cy - ry}, {cx - rx, cy - ky}, {cx - kx, cy - ry});
    p.curveToPoint_controlPoint1_controlPoint2({cx + rx, cy}, {cx + kx, cy - ry}, {cx + rx, cy - ky});
    p.closePath();
    p.shape_ = "oval(" + numbers({r.minX(), r.minY(), r.width(), r.height()}) + ")";
    return p;
}

void BezierPath::moveToPoint(Point p) {
    elements_.push_back({Kind::MoveTo, {p, {}, {}}});
    shape_.clear();
}
void BezierPath::lineToPoint(Point p) {
    elements_.push_back({Kind::LineTo, {p, {}, {}}});
    shape_.clear();
}
void BezierPath::curveToPoint_controlPoint1_controlPoint2(Point end, Point c1, Point c2) {
    elements_.push_back({Kind::CurveTo, {c1, c2, end}});
    shape_.clear();
}
void BezierPath::closePath() {
    elements_.push_back({Kind::Close, {}});
    shape_.clear();
}
void BezierPath::appendBezierPath(const BezierPath& other) {
    elements_.insert(elements_.end(), other.elements_.begin(), other.elements_.end());
    shape_.clear();
}
void BezierPath::transformUsingAffineTransform(const AffineTransform& t) {
    for (auto& e : elements_)
        for (auto& p : e.points) p = t.apply(p);
    shape_.clear();
}

void BezierPath::fill() const {
    if (auto* c = GraphicsContext::current()) c->fillPath(*this);
}
void BezierPath::stroke() const {
    if (auto* c = GraphicsContext::current()) c->strokePath(*this);
}
void BezierPath::addClip() const {
    if (auto* c = GraphicsContext::current()) c->clipToPath(*this);
}

Rect BezierPath::bounds() const {
    bool first = true;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (const auto& e : elements_) {
        const int n = e.kind == Kind::CurveTo ? 3 : e.kind == Kind::Close ? 0 : 1;
        for (int i = 0; i < n; ++i) {
            const Point p = e.points[i];
            if (first) x0 = x1 = p.x, y0 = y1 = p.y, first = false;
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        }
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

std::string BezierPath::description() const {
    if (!shape_.empty()) return shape_;
    std::string s = "path(";
    for (const auto& e : elements_) {
        switch (e.kind) {
            case Kind::MoveTo:
                s += "M" + numbers({e.points[0].x, e.points[0].y}) + " ";
                break;
            case Kind::LineTo:
                s += "L" + numbers({e.points[0].x, e.points[0].y}) + " ";
                break;
            case Kind::CurveTo:
                s += "C" +
                     numbers({e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                              e.points[2].y}) +
                     " ";
                break;
            case Kind::Close:
                s += "Z ";
                break;
        }
    }
    if (s.back() == ' ') s.pop_back();
    return s + ")";
}

}  // namespace platform::ui
