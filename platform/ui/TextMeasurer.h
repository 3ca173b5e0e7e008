#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Geometry.h"

namespace platform::ui {

// Measures text for layout. The application installs the renderer's measurer; tests keep the fixed
// one, so that expected sizes can be worked out by hand.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // The size the text takes, wrapped at `maxWidth` (0: unwrapped).
    virtual Size measure(const AttributedString& text, double maxWidth) const = 0;
    // Where the glyphs of the text so wrapped ink, from the top left of its first line (y down). Marks
    // above and below letters can reach past the lines (Arabic in a face whose lines are sized for
    // Latin). Unless the measurer knows better, the lines' own box.
    virtual Rect inkRect(const AttributedString& text, double maxWidth) const;
    // Whether the text's lines are laid out from the right: right-to-left writing in an interface
    // language written right to left. Unless the measurer knows better, no.
    virtual bool readsFromTheRight(const AttributedString& text) const;

    static const TextMeasurer& current();
    // None restores the fixed measurer.
    static void install(std::shared_ptr<TextMeasurer> measurer);
    // The one installed, none while the fixed one measures: what a test program puts back after each test.
    static std::shared_ptr<TextMeasurer> installed();
};

// 0.5 × the font size per UTF-16 unit, lines of 1.2 × the largest size on them, greedy wrap at spaces.
class FixedTextMeasurer : public TextMeasurer {
public:
    Size measure(const AttributedString& text, double maxWidth) const override;
    // The lines the text breaks into (for tests and for simple drawing).
    std::vector<std::string> lines(const AttributedString& text, double maxWidth) const;
};

}  // namespace platform::ui
