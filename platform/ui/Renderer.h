#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"

namespace platform::ui {

class View;

// What needs pixels: PNG coding and drawing a view tree into a bitmap. The layer itself names no
// backend; the application (or a test) installs one. Without one, images keep their sizes but carry no
// pixels, and a log line says so.
class Renderer {
public:
    virtual ~Renderer() = default;
    virtual std::optional<Bitmap> decodePNG(const std::vector<uint8_t>& bytes) = 0;
    virtual std::optional<std::vector<uint8_t>> encodePNG(const Bitmap& bitmap) = 0;
    // Draws `view` and its subviews (each with its layer's look) covering `rect` of the view's bounds,
    // `scale` pixels per point.
    virtual Bitmap renderView(View& view, Rect rect, double scale) = 0;

    static Renderer* current();
    static void install(std::shared_ptr<Renderer> renderer);
    // The one installed, none when none is: what a test program puts back after each test.
    static std::shared_ptr<Renderer> installed();
};

}  // namespace platform::ui
