#include "engine/coordinator/ShieldArtwork.h"

#include <cmath>
#include <string>

#include "platform/ui/BezierPath.h"
#include "platform/ui/Color.h"
#include "platform/ui/GraphicsContext.h"

namespace kestrune {

namespace ui = platform::ui;

namespace {

ui::Color rgb(double r, double g, double b, double a = 1) {
    return ui::Color::colorWithSRGBRed_green_blue_alpha(r, g, b, a);
}

// Drawing on a grid of the picture's own size (x from the left, y up from the bottom), scaled to the
// destination without distortion and centred in it.
class Grid {
public:
    Grid(ui::Rect destination, ui::Size design) {
        scale_ = std::min(destination.width() / design.width, destination.height() / design.height);
        origin_ = {destination.midX() - design.width * scale_ / 2,
                   destination.midY() - design.height * scale_ / 2};
    }
    ui::Point at(double x, double y) const { return {origin_.x + x * scale_, origin_.y + y * scale_}; }
    ui::Rect box(double x, double y, double w, double h) const {
        return {origin_.x + x * scale_, origin_.y + y * scale_, w * scale_, h * scale_};
    }
    double operator()(double length) const { return length * scale_; }

private:
    double scale_ = 1;
    ui::Point origin_;
};

ui::BezierPath rounded(ui::Rect r, double radius) {
    return ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(r, radius, radius);
}

// An arc about a centre, degrees counter-clockwise from the right, as a polyline fine enough to be smooth.
ui::BezierPath arc(ui::Point centre, double radius, double from, double to) {
    ui::BezierPath path;
    for (int i = 0; i <= 32; ++i) {
        const double a = (from + (to - from) * i / 32) * M_PI / 180;
        const ui::Point p{centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)};
        i == 0 ? path.moveToPoint(p) : path.lineToPoint(p);
    }
    return path;
}

// The phone on an 80 by 130 grid: a dark body with a white edge, its screen, the speaker slot and the
// home bar, and on the screen a round sign: three waves going out from a dot when connected, the same
// struck through and greyed when not.
bool drawPhone(ui::Rect destination, bool connected) {
    auto* c = ui::GraphicsContext::current();
    if (!c) return false;
    const Grid g(destination, {80, 130});
    const ui::Color edge = ui::Color::whiteColor();
    auto body = rounded(g.box(11, 4, 58, 122), g(11));
    c->setFillColor(rgb(0.07, 0.08, 0.1, 0.85));
    c->fillPath(body);
    body.setLineWidth(g(2.5));
    c->setStrokeColor(edge);
    c->strokePath(body);
    // The screen, lit when the phone is with the Mac.
    c->setFillColor(connected ? rgb(0.16, 0.22, 0.3) : rgb(0.2, 0.2, 0.22));
    c->fillPath(rounded(g.box(16, 15, 48, 98), g(3)));
    c->setFillColor(edge.colorWithAlphaComponent(0.8));
    c->fillPath(rounded(g.box(33, 117.5, 14, 2.5), g(1.25)));  // the speaker
    c->fillPath(rounded(g.box(31, 8.5, 18, 2), g(1)));         // the home bar
    // The sign: a disc in the state's colour with waves of white going out from a dot.
    const ui::Color sign = connected ? rgb(0.035, 0.823, 0.38) : rgb(0.55, 0.56, 0.6);
    const ui::Point centre = g.at(40, 64);
    c->setFillColor(sign);
    c->fillPath(ui::BezierPath::bezierPathWithOvalInRect(g.box(25, 49, 30, 30)));
    c->setFillColor(edge);
    const ui::Point dot = g.at(40, 57);
    c->fillPath(ui::BezierPath::bezierPathWithOvalInRect({dot.x - g(2.2), dot.y - g(2.2), g(4.4), g(4.4)}));
    c->setStrokeColor(edge);
    for (double r : {6.5, 11.5}) {
        auto wave = arc(dot, g(r), 45, 135);
        wave.setLineWidth(g(2.2));
        c->strokePath(wave);
    }
    if (!connected) {
        ui::BezierPath slash;
        slash.moveToPoint({centre.x - g(9), centre.y + g(9)});
        slash.lineToPoint({centre.x + g(9), centre.y - g(9)});
        slash.setLineWidth(g(2.2));
        c->strokePath(slash);
    }
    return true;
}

// The ripple of a knock: a ring, with a fainter one inside it, kept inside the picture so that none of it
// is cut by the edges.
bool drawRipple(ui::Rect destination) {
    auto* c = ui::GraphicsContext::current();
    if (!c) return false;
    const Grid g(destination, {100, 100});
    auto outer = ui::BezierPath::bezierPathWithOvalInRect(g.box(3, 3, 94, 94));
    outer.setLineWidth(g(3));
    c->setStrokeColor(ui::Color::whiteColor());
    c->strokePath(outer);
    auto inner = ui::BezierPath::bezierPathWithOvalInRect(g.box(12, 12, 76, 76));
    inner.setLineWidth(g(1.5));
    c->setStrokeColor(ui::Color::whiteColor().colorWithAlphaComponent(0.45));
    c->strokePath(inner);
    return true;
}

void addUnlessNamed(const std::string& name, ui::Size size, ui::Image::DrawingHandler handler) {
    if (ui::Image::imageNamed(name)) return;
    auto image = ui::Image::imageWithSize_flipped_drawingHandler(size, false, std::move(handler));
    ui::ImageRegistry::add(name, image);
}

}  // namespace

void registerShieldArtwork() {
    addUnlessNamed("connected", {80, 130}, [](ui::Rect d) { return drawPhone(d, true); });
    addUnlessNamed("disconnected", {80, 130}, [](ui::Rect d) { return drawPhone(d, false); });
    addUnlessNamed("empty", {100, 100}, drawRipple);
}

std::shared_ptr<ui::Image> drawnAccountPicture() {
    return ui::Image::imageWithSize_flipped_drawingHandler({120, 120}, false, [](ui::Rect d) {
        auto* c = ui::GraphicsContext::current();
        if (!c) return false;
        // The square is filled whole, so that a round frame of any size shows no corner.
        const Grid g(d, {120, 120});
        ui::Gradient backdrop;
        backdrop.stops = {{0, rgb(0.56, 0.6, 0.68)}, {1, rgb(0.75, 0.79, 0.85)}};
        c->drawLinearGradient(backdrop, ui::BezierPath::bezierPathWithRect(d), 90);
        c->setFillColor(rgb(0.96, 0.97, 0.98));
        c->fillPath(ui::BezierPath::bezierPathWithOvalInRect(g.box(39, 56, 42, 44)));  // the head
        // The shoulders: the top of a wide oval, reaching below the picture.
        c->fillPath(ui::BezierPath::bezierPathWithOvalInRect(g.box(16, -40, 88, 88)));
        return true;
    });
}

}  // namespace kestrune
