#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform::ui {

class Image;

// A colour: calibrated or device RGB, calibrated or device white, a pattern of an image, or a named
// colour of the system catalogue. Colours are values; equality compares the colour space and the
// components, as the platform's equality does (calibrated red is not device red).
class Color {
public:
    enum class Space { CalibratedRGB, DeviceRGB, CalibratedWhite, DeviceWhite, Pattern, Named };

    static Color colorWithCalibratedRed_green_blue_alpha(double r, double g, double b, double a);
    static Color colorWithDeviceRed_green_blue_alpha(double r, double g, double b, double a);
    static Color colorWithSRGBRed_green_blue_alpha(double r, double g, double b, double a) {
        return colorWithDeviceRed_green_blue_alpha(r, g, b, a);
    }
    static Color colorWithCalibratedWhite_alpha(double white, double alpha);
    static Color colorWithDeviceWhite_alpha(double white, double alpha);
    static Color colorWithPatternImage(std::shared_ptr<Image> image);

    // The system catalogue. Components are this system's own choices for a light appearance.
    static Color clearColor();
    static Color blackColor();
    static Color whiteColor();
    static Color grayColor();
    static Color lightGrayColor();
    static Color darkGrayColor();
    static Color redColor();
    static Color greenColor();
    static Color blueColor();
    static Color yellowColor();
    static Color orangeColor();
    static Color controlColor();
    static Color controlTextColor();
    static Color labelColor();
    static Color secondaryLabelColor();
    static Color textColor();
    static Color textBackgroundColor();
    static Color windowBackgroundColor();
    static Color selectedControlColor();
    static Color alternateSelectedControlColor();
    static Color gridColor();
    static Color keyboardFocusIndicatorColor();
    // A catalogue colour by name (as above, e.g. "controlColor"); none when unknown.
    static std::optional<Color> named(const std::string& name);

    Space space() const { return space_; }
    const std::string& catalogName() const { return name_; }
    const std::shared_ptr<Image>& patternImage() const { return pattern_; }

    // Components in RGB whatever the space (white w is w, w, w; a pattern answers mid grey).
    double redComponent() const { return r_; }
    double greenComponent() const { return g_; }
    double blueComponent() const { return b_; }
    double alphaComponent() const { return a_; }
    double whiteComponent() const;

    Color colorWithAlphaComponent(double alpha) const;
    // Conversion by space name ("NSCalibratedRGBColorSpace", "NSDeviceRGBColorSpace",
    // "NSCalibratedWhiteColorSpace", "NSDeviceWhiteColorSpace"); none for a pattern or an unknown name.
    std::optional<Color> colorUsingColorSpaceName(const std::string& name) const;
    // Linear mix in RGB; none when either is a pattern.
    std::optional<Color> blendedColorWithFraction_ofColor(double fraction, const Color& other) const;

    bool operator==(const Color& o) const;
    std::string description() const;

    Color() = default;  // opaque black, calibrated

private:
    Color(Space s, double r, double g, double b, double a) : space_(s), r_(r), g_(g), b_(b), a_(a) {}
    Space space_ = Space::CalibratedRGB;
    double r_ = 0, g_ = 0, b_ = 0, a_ = 1;
    std::string name_;
    std::shared_ptr<Image> pattern_;
};

}  // namespace platform::ui
