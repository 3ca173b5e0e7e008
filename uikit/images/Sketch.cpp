#include "uikit/images/Sketch.h"

#include <algorithm>

#include "platform/ui/AttributedString.h"

namespace kestrune {

namespace ui = platform::ui;

Sketch::Sketch(ui::GraphicsContext& context, ui::Rect destination, ui::Size design)
    : c_(context), flipped_(context.isFlipped()) {
    scale_ = std::min(destination.width() / design.width, destination.height() / design.height);
    left_ = destination.midX() - design.width * scale_ / 2;
    // The design's top edge: the smaller y in a flipped context, the larger otherwise.
    top_ = flipped_ ? destination.midY() - design.height * scale_ / 2
                    : destination.midY() + design.height * scale_ / 2;
}

ui::Point Sketch::at(double x, double y) const {
    return {left_ + x * scale_, flipped_ ? top_ + y * scale_ : top_ - y * scale_};
}

ui::Rect Sketch::box(double x, double y, double w, double h) const {
    const double minY = flipped_ ? top_ + y * scale_ : top_ - (y + h) * scale_;
    return {left_ + x * scale_, minY, w * scale_, h * scale_};
}

void Sketch::fill(const ui::BezierPath& path, const ui::Color& color) {
    c_.setFillColor(color);
    c_.fillPath(path);
}

void Sketch::stroke(ui::BezierPath path, const ui::Color& color, double width) {
    path.setLineWidth(length(width));
    c_.setStrokeColor(color);
    c_.strokePath(path);
}

void Sketch::fillBox(double x, double y, double w, double h, double radius, const ui::Color& color) {
    fill(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(box(x, y, w, h), length(radius),
                                                                   length(radius)),
         color);
}

void Sketch::strokeBox(double x, double y, double w, double h, double radius, const ui::Color& color,
                       double width) {
    stroke(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(box(x, y, w, h), length(radius),
                                                                     length(radius)),
           color, width);
}

void Sketch::fillOval(double x, double y, double w, double h, const ui::Color& color) {
    fill(ui::BezierPath::bezierPathWithOvalInRect(box(x, y, w, h)), color);
}

void Sketch::ring(double cx, double cy, double radius, const ui::Color& color, double width) {
    stroke(ui::BezierPath::bezierPathWithOvalInRect(box(cx - radius, cy - radius, 2 * radius, 2 * radius)),
           color, width);
}

ui::BezierPath Sketch::path(const std::vector<std::pair<double, double>>& points, bool closed) const {
    ui::BezierPath p;
    for (size_t i = 0; i < points.size(); ++i)
        i == 0 ? p.moveToPoint(at(points[i].first, points[i].second))
               : p.lineToPoint(at(points[i].first, points[i].second));
    if (closed) p.closePath();
    return p;
}

void Sketch::text(const std::string& string, double x, double y, double w, double h, double size,
                  const ui::Color& color, bool bold, ui::TextAlignment alignment) {
    ui::TextAttributes a = ui::TextAttributes::withFont(
        bold ? ui::Font::boldSystemFontOfSize(length(size)) : ui::Font::systemFontOfSize(length(size)),
        color);
    ui::ParagraphStyle paragraph;
    paragraph.alignment = alignment;
    a.paragraphStyle = paragraph;
    c_.drawText(ui::AttributedString(string, a), box(x, y, w, h));
}

void Sketch::mark(double cx, double cy, double radius) {
    disc(cx, cy, radius, ui::Color::colorWithSRGBRed_green_blue_alpha(0.035, 0.823, 0.38, 1));
    const double r = radius;
    const ui::Color white = ui::Color::whiteColor();
    line({{cx - 0.28 * r, cy - 0.5 * r}, {cx - 0.28 * r, cy + 0.5 * r}}, white, 0.17 * r);
    line({{cx + 0.36 * r, cy - 0.5 * r}, {cx - 0.24 * r, cy}, {cx + 0.36 * r, cy + 0.5 * r}}, white,
         0.17 * r);
}

std::shared_ptr<ui::Image> Sketch::image(ui::Size design, Drawing draw) {
    return ui::Image::imageWithSize_flipped_drawingHandler(design, false,
                                                           [design, draw](ui::Rect destination) {
                                                               auto* context = ui::GraphicsContext::current();
                                                               if (!context) return false;
                                                               Sketch sketch(*context, destination, design);
                                                               draw(sketch);
                                                               return true;
                                                           });
}

void Sketch::registerImage(const std::string& name, ui::Size design, Drawing draw) {
    if (ui::ImageRegistry::named(name)) return;
    ui::ImageRegistry::add(name, image(design, std::move(draw)));
}

}  // namespace kestrune
