#include "platform/ui/Image.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Renderer.h"

namespace platform::ui {

namespace {
std::map<std::string, std::shared_ptr<Image>>& registry() {
    static std::map<std::string, std::shared_ptr<Image>> images;
    return images;
}
std::shared_ptr<Renderer>& installedRenderer() {
    static std::shared_ptr<Renderer> renderer;
    return renderer;
}
}  // namespace

Renderer* Renderer::current() {
    return installedRenderer().get();
}
void Renderer::install(std::shared_ptr<Renderer> renderer) {
    installedRenderer() = std::move(renderer);
}
std::shared_ptr<Renderer> Renderer::installed() {
    return installedRenderer();
}

Bitmap::RGBA Bitmap::rgbaAt(int x, int y) const {
    const uint32_t p = pixelAt(x, y);
    const int a = p >> 24;
    auto un = [a](int c) { return a == 0 ? 0 : std::min(255, (c * 255 + a / 2) / a); };
    return {un((p >> 16) & 0xff), un((p >> 8) & 0xff), un(p & 0xff), a};
}

std::shared_ptr<Image> Image::create(Size size) {
    auto image = std::make_shared<Image>();
    image->size_ = size;
    return image;
}

std::shared_ptr<Image> Image::createWithBitmap(Bitmap bitmap, Size size) {
    auto image = create(size);
    image->bitmap_ = std::move(bitmap);
    return image;
}

std::shared_ptr<Image> Image::imageWithSize_flipped_drawingHandler(Size size, bool flipped,
                                                                   DrawingHandler handler) {
    auto image = create(size);
    image->handler_ = std::move(handler);
    image->flipped_ = flipped;
    return image;
}

std::shared_ptr<Image> Image::animatedImageWithFrames(std::vector<std::shared_ptr<Image>> frames,
                                                      double frameInterval) {
    std::erase(frames, nullptr);
    if (frames.empty()) return nullptr;
    auto image = create(frames.front()->size());
    image->frames_ = std::move(frames);
    image->frameInterval_ = frameInterval > 0 ? frameInterval : 0.1;
    return image;
}

std::shared_ptr<Image> Image::imageNamed(const std::string& name) {
    if (name.empty()) return nullptr;
    if (auto image = ImageRegistry::named(name)) return image;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".gif") == 0) {
        const std::string bare = name.substr(0, name.size() - 4);
        std::vector<std::shared_ptr<Image>> frames;
        // A sequence of a few dozen pictures at most; the bound keeps a broken bundle from looping long.
        for (int i = 1; i <= 999; ++i) {
            auto frame = imageNamed(bare + "_frame" + std::to_string(i));
            if (!frame) break;
            frames.push_back(frame);
        }
        auto image = animatedImageWithFrames(std::move(frames), 0.1);
        if (!image) return nullptr;
        image->setName(name);
        ImageRegistry::add(name, image);
        return image;
    }
    // A name may carry its ".png"; the bundle finds "<name>.png" at its top or one folder down (images/).
    const bool typed = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
    const std::string bare = typed ? name.substr(0, name.size() - 4) : name;
    if (typed)
        if (auto image = ImageRegistry::named(bare)) return image;
    if (auto path = platform::Bundle::main().pathForResource(bare, "png")) {
        if (auto image = initWithContentsOfFile(*path)) {
            image->setName(name);
            ImageRegistry::add(name, image);
            return image;
        }
    }
    return nullptr;
}

std::shared_ptr<Image> Image::initWithContentsOfFile(const std::string& path) {
    auto bytes = platform::Files::read(path);
    if (!bytes) return nullptr;
    auto image = initWithData(bytes->vector());
    if (!image) platform::logf("Image: %s is not a readable PNG image", path.c_str());
    return image;
}

struct Image::PendingPNG {
    std::once_flag once;
    std::vector<uint8_t> png;
    std::optional<Bitmap> decoded;
};

namespace {
// The pixel size a PNG's header states: the signature, then the IHDR chunk first with its width and
// height (big-endian, 1 to 2^31 - 1). None for anything else.
std::optional<std::pair<uint32_t, uint32_t>> pngHeaderSize(const std::vector<uint8_t>& png) {
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (png.size() < 33 || !std::equal(std::begin(kSignature), std::end(kSignature), png.begin()))
        return std::nullopt;
    auto word = [&png](size_t at) {
        return (uint32_t{png[at]} << 24) | (uint32_t{png[at + 1]} << 16) | (uint32_t{png[at + 2]} << 8) |
               uint32_t{png[at + 3]};
    };
    if (word(8) != 13 || std::memcmp(png.data() + 12, "IHDR", 4) != 0) return std::nullopt;
    const uint32_t width = word(16), height = word(20);
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu) return std::nullopt;
    return std::make_pair(width, height);
}
}  // namespace

std::shared_ptr<Image> Image::initWithData(const std::vector<uint8_t>& png) {
    if (!Renderer::current()) {
        platform::logf("Image: no renderer is installed to decode images");
        return nullptr;
    }
    const auto pixels = pngHeaderSize(png);
    if (!pixels) return nullptr;
    // Images in files are taken at one pixel per point.
    auto image = create({static_cast<double>(pixels->first), static_cast<double>(pixels->second)});
    image->pendingPNG_ = std::make_shared<PendingPNG>();
    image->pendingPNG_->png = png;
    return image;
}

const std::optional<Bitmap>& Image::bitmap() const {
    if (!pendingPNG_) return bitmap_;
    PendingPNG& pending = *pendingPNG_;
    std::call_once(pending.once, [&pending] {
        auto* renderer = Renderer::current();
        if (renderer) pending.decoded = renderer->decodePNG(pending.png);
        if (!pending.decoded)
            platform::logf("Image: PNG data of %zu bytes could not be decoded", pending.png.size());
        pending.png = {};
    });
    return pending.decoded;
}

std::optional<std::vector<uint8_t>> Image::pngRepresentation() const {
    auto* renderer = Renderer::current();
    if (!renderer || !bitmap()) return std::nullopt;
    return renderer->encodePNG(*bitmap());
}

bool Image::writePNGToFile(const std::string& path) const {
    auto png = pngRepresentation();
    if (!png) {
        platform::logf("Image: no pixels or no renderer to write %s", path.c_str());
        return false;
    }
    return platform::Files::writeAtomically(path, platform::Data(std::move(*png)));
}

void Image::drawInRect_fromRect_operation_fraction(Rect rect, Rect from, CompositingOperation op,
                                                   double fraction) const {
    auto* context = GraphicsContext::current();
    if (!context) return;
    if (!handler_) return context->drawImage(*this, rect, from, op, fraction);
    // Drawn by code: the whole image into the rectangle, as one layer composited at the fraction.
    context->saveGState();
    context->clipToRect(rect);
    context->setCompositingOperation(op);
    context->setAlpha(fraction);
    context->beginTransparencyLayer();
    handler_(rect);
    context->endTransparencyLayer();
    context->restoreGState();
}

void ImageRegistry::add(const std::string& name, std::shared_ptr<Image> image) {
    if (!image) return;
    if (image->name().empty()) image->setName(name);
    registry()[name] = std::move(image);
}
std::shared_ptr<Image> ImageRegistry::named(const std::string& name) {
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : it->second;
}
void ImageRegistry::reset() {
    registry().clear();
}

}  // namespace platform::ui
