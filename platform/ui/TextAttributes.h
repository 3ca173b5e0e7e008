#pragma once

#include <optional>
#include <string>

#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

namespace platform::ui {

enum class TextAlignment { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };
enum class LineBreakMode {
    WordWrapping = 0,
    CharWrapping,
    Clipping,
    TruncatingHead,
    TruncatingTail,
    TruncatingMiddle
};

// A shadow under drawing: colour, offset (y up) and blur radius.
struct Shadow {
    std::optional<Color> shadowColor;  // none: black at one third alpha, the platform's default
    Size shadowOffset;
    double shadowBlurRadius = 0;
    Color effectiveColor() const {
        return shadowColor.value_or(Color::colorWithCalibratedWhite_alpha(0, 1.0 / 3));
    }
    bool operator==(const Shadow&) const = default;
};

struct ParagraphStyle {
    TextAlignment alignment = TextAlignment::Natural;
    LineBreakMode lineBreakMode = LineBreakMode::WordWrapping;
    double lineSpacing = 0;
    double paragraphSpacing = 0;
    double minimumLineHeight = 0;
    double maximumLineHeight = 0;
    double firstLineHeadIndent = 0;
    double headIndent = 0;
    bool operator==(const ParagraphStyle&) const = default;
};

// The attributes of a run of text; an unset attribute takes the default (system font 12 as the
// platform's text system does, black text, natural alignment).
struct TextAttributes {
    std::optional<Font> font;
    std::optional<Color> foregroundColor;
    std::optional<Color> backgroundColor;
    std::optional<ParagraphStyle> paragraphStyle;
    std::optional<Shadow> shadow;
    std::optional<double> kern;
    std::optional<double> baselineOffset;
    std::optional<int> underlineStyle;
    std::optional<std::string> link;

    static TextAttributes withFont(Font f, std::optional<Color> color = std::nullopt) {
        TextAttributes a;
        a.font = std::move(f);
        a.foregroundColor = std::move(color);
        return a;
    }

    Font effectiveFont() const { return font.value_or(Font::fontWithName_size(Font::kSystemFontName, 12)); }
    Color effectiveColor() const { return foregroundColor.value_or(Color::blackColor()); }
    ParagraphStyle effectiveParagraphStyle() const { return paragraphStyle.value_or(ParagraphStyle{}); }
    // Overlays every attribute set in `other`.
    void merge(const TextAttributes& other);
    bool operator==(const TextAttributes&) const = default;
};

}  // namespace platform::ui
