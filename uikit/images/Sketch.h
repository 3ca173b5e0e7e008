#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/BezierPath.h"
#include "platform/ui/Color.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"

namespace kestrune {

// Drawing a picture by code on a design grid of the picture's own size, x from the left and y down from
// the top, scaled the same in both directions to fit the destination and centred in it: the picture
// keeps its proportions and is drawn sharp at whatever size it is shown.
class Sketch {
public:
    Sketch(platform::ui::GraphicsContext& context, platform::ui::Rect destination, platform::ui::Size design);

    platform::ui::GraphicsContext& context() { return c_; }
    platform::ui::Point at(double x, double y) const;
    platform::ui::Rect box(double x, double y, double w, double h) const;
    double length(double design) const { return design * scale_; }

    void fill(const platform::ui::BezierPath& path, const platform::ui::Color& color);
    void stroke(platform::ui::BezierPath path, const platform::ui::Color& color, double width);
    void fillBox(double x, double y, double w, double h, double radius, const platform::ui::Color& color);
    void strokeBox(double x, double y, double w, double h, double radius, const platform::ui::Color& color,
                   double width);
    void fillOval(double x, double y, double w, double h, const platform::ui::Color& color);
    void disc(double cx, double cy, double radius, const platform::ui::Color& color) {
        fillOval(cx - radius, cy - radius, 2 * radius, 2 * radius, color);
    }
    void ring(double cx, double cy, double radius, const platform::ui::Color& color, double width);
    // A path through the points (closed: a shape to fill).
    platform::ui::BezierPath path(const std::vector<std::pair<double, double>>& points, bool closed) const;
    void line(const std::vector<std::pair<double, double>>& points, const platform::ui::Color& color,
              double width) {
        stroke(path(points, false), color, width);
    }
    // Text of the size (in design units) in the box, one line unless it needs more.
    void text(const std::string& text, double x, double y, double w, double h, double size,
              const platform::ui::Color& color, bool bold = false,
              platform::ui::TextAlignment alignment = platform::ui::TextAlignment::Left);
    // The application's mark: a green disc with a white K.
    void mark(double cx, double cy, double radius);

    // An image of the design size drawn by `draw` at whatever size it is shown.
    using Drawing = std::function<void(Sketch&)>;
    static std::shared_ptr<platform::ui::Image> image(platform::ui::Size design, Drawing draw);
    // Registers the drawn image under the name unless the registry has that name already.
    static void registerImage(const std::string& name, platform::ui::Size design, Drawing draw);

private:
    platform::ui::GraphicsContext& c_;
    double scale_ = 1;
    double left_ = 0;
    double top_ = 0;
    bool flipped_ = false;
};

}  // namespace kestrune
