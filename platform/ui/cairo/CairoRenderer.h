#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Renderer.h"
#include "platform/ui/TextMeasurer.h"

namespace platform::ui {

// Pixels through Cairo and text through Pango. Nothing outside this folder sees either library: the
// rest of the layer reaches them through the Renderer and TextMeasurer interfaces.
class CairoRenderer : public Renderer {
public:
    std::optional<Bitmap> decodePNG(const std::vector<uint8_t>& bytes) override;
    std::optional<std::vector<uint8_t>> encodePNG(const Bitmap& bitmap) override;
    Bitmap renderView(View& view, Rect rect, double scale) override;

    // Installs the Cairo renderer and the Pango measurer (the application's drawing backend).
    static void installAsBackend();
    // Draws a view tree at the scale of its window's screen and writes it as a PNG file.
    static bool writePNG(View& view, const std::string& path);
};

// One text as the renderer drew it, in the picture's pixels: the ink of its glyphs (marks above and below
// letters included), each line's ink, and the clip it was drawn under, which is what the views around it
// leave it to show. Whatever ink lies outside the clip is cut from the picture. And the family of the face
// each of its runs took, in order (a run is a stretch of one font, script and direction), left to right
// on each line.
struct DrawnText {
    // One run: its characters, its face's family and weight (400 regular, less is lighter), its ink.
    struct Run {
        std::string text;
        std::string family;
        int weight = 400;
        Rect ink;
    };
    std::string text;
    Rect ink;
    std::vector<Rect> lines;
    std::vector<std::string> lineTexts;  // the characters of each line, in the order of the text
    Rect clip;
    bool ellipsized = false;
    std::vector<std::string> families;
    std::vector<Run> runs;  // as `families`, each with more of what it took
};
// Told of every text drawn while installed (none: not told), for checks that texts show whole.
void observeDrawnText(std::function<void(const DrawnText&)> observer);

// Real font metrics through Pango.
class PangoTextMeasurer : public TextMeasurer {
public:
    Size measure(const AttributedString& text, double maxWidth) const override;
    Rect inkRect(const AttributedString& text, double maxWidth) const override;
    bool readsFromTheRight(const AttributedString& text) const override;
};

}  // namespace platform::ui
