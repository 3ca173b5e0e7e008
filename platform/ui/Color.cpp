#include "platform/ui/Color.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace platform::ui {

namespace {
double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

struct CatalogEntry {
    double r, g, b, a;
};

const std::map<std::string, CatalogEntry>& catalog() {
    static const std::map<std::string, CatalogEntry> entries = {
        {"clearColor", {0, 0, 0, 0}},
        {"blackColor", {0, 0, 0, 1}},
        {"whiteColor", {1, 1, 1, 1}},
        {"grayColor", {0.5, 0.5, 0.5, 1}},
        {"lightGrayColor", {2.0 / 3, 2.0 / 3, 2.0 / 3, 1}},
        {"darkGrayColor", {1.0 / 3, 1.0 / 3, 1.0 / 3, 1}},
        {"redColor", {1, 0, 0, 1}},
        {"greenColor", {0, 1, 0, 1}},
        {"blueColor", {0, 0, 1, 1}},
        {"yellowColor", {1, 1, 0, 1}},
        {"orangeColor", {1, 0.5, 0, 1}},
        {"controlColor", {1, 1, 1, 1}},
        {"controlTextColor", {0, 0, 0, 0.85}},
        {"labelColor", {0, 0, 0, 0.85}},
        {"secondaryLabelColor", {0, 0, 0, 0.5}},
        {"textColor", {0, 0, 0, 1}},
        {"textBackgroundColor", {1, 1, 1, 1}},
        {"windowBackgroundColor", {0.925, 0.925, 0.925, 1}},
        {"selectedControlColor", {0.7, 0.84, 1, 1}},
        {"alternateSelectedControlColor", {0, 0.39, 0.88, 1}},
        {"gridColor", {0.8, 0.8, 0.8, 1}},
        {"keyboardFocusIndicatorColor", {0.23, 0.6, 0.99, 0.5}},
    };
    return entries;
}

Color catalogColor(const char* name) {
    return *Color::named(name);
}
}  // namespace

Color Color::colorWithCalibratedRed_green_blue_alpha(double r, double g, double b, double a) {
    return Color(Space::CalibratedRGB, clamp01(r), clamp01(g), clamp01(b), clamp01(a));
}
Color Color::colorWithDeviceRed_green_blue_alpha(double r, double g, double b, double a) {
    return Color(Space::DeviceRGB, clamp01(r), clamp01(g), clamp01(b), clamp01(a));
}
Color Color::colorWithCalibratedWhite_alpha(double w, double a) {
    return Color(Space::CalibratedWhite, clamp01(w), clamp01(w), clamp01(w), clamp01(a));
}
Color Color::colorWithDeviceWhite_alpha(double w, double a) {
    return Color(Space::DeviceWhite, clamp01(w), clamp01(w), clamp01(w), clamp01(a));
}
Color Color::colorWithPatternImage(std::shared_ptr<Image> image) {
    Color c(Space::Pattern, 0.5, 0.5, 0.5, 1);
    c.pattern_ = std::move(image);
    return c;
}

std::optional<Color> Color::named(const std::string& name) {
    auto it = catalog().find(name);
    if (it == catalog().end()) return std::nullopt;
    Color c(Space::Named, it->second.r, it->second.g, it->second.b, it->second.a);
    c.name_ = name;
    return c;
}

Color Color::clearColor() {
    return catalogColor("clearColor");
}
Color Color::blackColor() {
    return catalogColor("blackColor");
}
Color Color::whiteColor() {
    return catalogColor("whiteColor");
}
Color Color::grayColor() {
    return catalogColor("grayColor");
}
Color Color::lightGrayColor() {
    return catalogColor("lightGrayColor");
}
Color Color::darkGrayColor() {
    return catalogColor("darkGrayColor");
}
Color Color::redColor() {
    return catalogColor("redColor");
}
Color Color::greenColor() {
    return catalogColor("greenColor");
}
Color Color::blueColor() {
    return catalogColor("blueColor");
}
Color Color::yellowColor() {
    return catalogColor("yellowColor");
}
Color Color::orangeColor() {
    return catalogColor("orangeColor");
}
Color Color::controlColor() {
    return catalogColor("controlColor");
}
Color Color::controlTextColor() {
    return catalogColor("controlTextColor");
}
Color Color::labelColor() {
    return catalogColor("labelColor");
}
Color Color::secondaryLabelColor() {
    return catalogColor("secondaryLabelColor");
}
Color Color::textColor() {
    return catalogColor("textColor");
}
Color Color::textBackgroundColor() {
    return catalogColor("textBackgroundColor");
}
Color Color::windowBackgroundColor() {
    return catalogColor("windowBackgroundColor");
}
Color Color::selectedControlColor() {
    return catalogColor("selectedControlColor");
}
Color Color::alternateSelectedControlColor() {
    return catalogColor("alternateSelectedControlColor");
}
Color Color::gridColor() {
    return catalogColor("gridColor");
}
Color Color::keyboardFocusIndicatorColor() {
    return catalogColor("keyboardFocusIndicatorColor");
}

double Color::whiteComponent() const {
    if (space_ == Space::CalibratedWhite || space_ == Space::DeviceWhite) return r_;
    return 0.299 * r_ + 0.587 * g_ + 0.114 * b_;
}

Color Color::colorWithAlphaComponent(double alpha) const {
    Color c = *this;
    c.a_ = clamp01(alpha);
    if (c.space_ == Space::Named) c.space_ = Space::CalibratedRGB, c.name_.clear();
    return c;
}

std::optional<Color> Color::colorUsingColorSpaceName(const std::string& name) const {
    if (space_ == Space::Pattern) return std::nullopt;
    if (name == "NSCalibratedRGBColorSpace") return colorWithCalibratedRed_green_blue_alpha(r_, g_, b_, a_);
    if (name == "NSDeviceRGBColorSpace") return colorWithDeviceRed_green_blue_alpha(r_, g_, b_, a_);
    if (name == "NSCalibratedWhiteColorSpace") return colorWithCalibratedWhite_alpha(whiteComponent(), a_);
    if (name == "NSDeviceWhiteColorSpace") return colorWithDeviceWhite_alpha(whiteComponent(), a_);
    return std::nullopt;
}

std::optional<Color> Color::blendedColorWithFraction_ofColor(double f, const Color& o) const {
    if (space_ == Space::Pattern || o.space_ == Space::Pattern) return std::nullopt;
    f = clamp01(f);
    return colorWithCalibratedRed_green_blue_alpha(r_ + (o.r_ - r_) * f, g_ + (o.g_ - g_) * f,
                                                   b_ + (o.b_ - b_) * f, a_ + (o.a_ - a_) * f);
}

bool Color::operator==(const Color& o) const {
    if (space_ != o.space_) return false;
    if (space_ == Space::Pattern) return pattern_ == o.pattern_;
    if (space_ == Space::Named) return name_ == o.name_ && a_ == o.a_;
    return r_ == o.r_ && g_ == o.g_ && b_ == o.b_ && a_ == o.a_;
}

std::string Color::description() const {
    char text[96];
    if (space_ == Space::Pattern) return "pattern";
    std::snprintf(text, sizeof text, "rgba(%g,%g,%g,%g)", r_, g_, b_, a_);
    return text;
}

}  // namespace platform::ui
