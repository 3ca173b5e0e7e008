#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Geometry.h"

namespace platform::ui {

enum class CompositingOperation {
    Clear,
    Copy,
    SourceOver,
    SourceIn,
    SourceOut,
    SourceAtop,
    DestinationOver,
    DestinationIn,
    DestinationOut,
    DestinationAtop,
    Xor,
    PlusLighter,
    PlusDarker,
};

// Pixels: 32-bit premultiplied ARGB in native byte order, rows of `width` pixels.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t pixelAt(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Unpremultiplied components 0–255 of a pixel (y from the top row).
    struct RGBA {
        int r, g, b, a;
    };
    RGBA rgbaAt(int x, int y) const;
};

// An image: a size in points, optionally a bitmap (whose pixel size may be a multiple of it), a name
// when it came from the registry, and the template flag the status bar reads.
class Image {
public:
    // Draws the image into the destination rectangle of the current graphics context; answers whether
    // it drew.
    using DrawingHandler = std::function<bool(Rect destination)>;

    static std::shared_ptr<Image> create(Size size);
    static std::shared_ptr<Image> createWithBitmap(Bitmap bitmap, Size size);
    // An image drawn by code each time it is drawn: the handler runs in a transparency layer clipped to
    // the destination, so that its compositing reaches only its own drawing.
    static std::shared_ptr<Image> imageWithSize_flipped_drawingHandler(Size size, bool flipped,
                                                                       DrawingHandler handler);
    // Registered images first, then "<name>.png" in the bundle's images folder; none when neither has it.
    // The name may end in ".png". A name ending in ".gif" is an animated image: its pictures are
    // "<name>_frame1.png", "<name>_frame2.png" ... (without ".gif"), shown 0.1 s each.
    static std::shared_ptr<Image> imageNamed(const std::string& name);
    // An image that shows its pictures in turn, each for the interval; its size is the first one's.
    static std::shared_ptr<Image> animatedImageWithFrames(std::vector<std::shared_ptr<Image>> frames,
                                                          double frameInterval);
    // Decodes a PNG file through the installed renderer; none when it cannot be read.
    static std::shared_ptr<Image> initWithContentsOfFile(const std::string& path);
    static std::shared_ptr<Image> initWithData(const std::vector<uint8_t>& png);

    Size size() const { return size_; }
    void setSize(Size size) { size_ = size; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    bool isTemplate() const { return template_; }
    void setTemplate(bool flag) { template_ = flag; }
    const std::optional<Bitmap>& bitmap() const { return bitmap_; }
    const std::vector<std::shared_ptr<Image>>& animationFrames() const { return frames_; }
    double frameInterval() const { return frameInterval_; }
    bool isAnimated() const { return !frames_.empty(); }
    void setBitmap(Bitmap bitmap) { bitmap_ = std::move(bitmap); }
    const DrawingHandler& drawingHandler() const { return handler_; }
    bool isFlipped() const { return flipped_; }
    // The edges kept unscaled when the image is stretched (stored for the drawing that honours them).
    EdgeInsets capInsets() const { return capInsets_; }
    void setCapInsets(EdgeInsets insets) { capInsets_ = insets; }

    // PNG bytes of the bitmap through the installed renderer; none without one or without pixels.
    std::optional<std::vector<uint8_t>> pngRepresentation() const;
    bool writePNGToFile(const std::string& path) const;

    // Draws into the current graphics context; an empty source rectangle means the whole image.
    void drawInRect_fromRect_operation_fraction(Rect rect, Rect from, CompositingOperation op,
                                                double fraction) const;
    void drawInRect(Rect rect) const {
        drawInRect_fromRect_operation_fraction(rect, {}, CompositingOperation::SourceOver, 1);
    }

private:
    Size size_;
    std::string name_;
    bool template_ = false;
    std::optional<Bitmap> bitmap_;
    DrawingHandler handler_;
    bool flipped_ = false;
    EdgeInsets capInsets_;
    std::vector<std::shared_ptr<Image>> frames_;
    double frameInterval_ = 0;
};

// Images known by name: registered in code (tests, generated images) before the bundle is asked.
class ImageRegistry {
public:
    static void add(const std::string& name, std::shared_ptr<Image> image);
    static std::shared_ptr<Image> named(const std::string& name);
    static void reset();
};

}  // namespace platform::ui
