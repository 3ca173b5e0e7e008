#include "platform/ui/Image.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include <zlib.h>

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
uint32_t bigEndianWord(const uint8_t* at) {
    return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | uint32_t{at[3]};
}

// The pixel size a PNG's header states: the signature, then the IHDR chunk first with its width and
// height (big-endian, 1 to 2^31 - 1). None for anything else.
std::optional<std::pair<uint32_t, uint32_t>> pngHeaderSize(const std::vector<uint8_t>& png) {
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (png.size() < 33 || !std::equal(std::begin(kSignature), std::end(kSignature), png.begin()))
        return std::nullopt;
    auto word = [&png](size_t at) { return bigEndianWord(&png[at]); };
    if (word(8) != 13 || std::memcmp(png.data() + 12, "IHDR", 4) != 0) return std::nullopt;
    const uint32_t width = word(16), height = word(20);
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu) return std::nullopt;
    return std::make_pair(width, height);
}

// The renderer's encoder leaves its PNG library at zlib's default level. A picture written to a file is
// kept (the scenes' pictures are looked at, the road's are committed), so its pixel data is deflated once
// more at the best level; anything this does not follow (an unknown pixel layout, image data split by
// another chunk, data that does not inflate to the rows the header states) is written as it came.
std::vector<uint8_t> atBestCompression(std::vector<uint8_t> png) {
    const auto size = pngHeaderSize(png);
    if (!size) return png;
    static constexpr int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
    const uint8_t depth = png[24], colourType = png[25];
    if (colourType > 6 || kChannels[colourType] == 0 || depth == 0 || depth > 16) return png;
    const uint64_t rowBytes = 1 + (uint64_t{size->first} * kChannels[colourType] * depth + 7) / 8;
    const uint64_t rawSize = rowBytes * size->second;
    if (rawSize > (uint64_t{1} << 31)) return png;

    std::vector<uint8_t> deflated;
    size_t firstData = 0, afterData = 0;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint64_t length = bigEndianWord(&png[at]);
        if (at + 12 + length > png.size()) return png;
        if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) {
            if (firstData == 0) firstData = at;
            else if (afterData != at) return png;
            deflated.insert(deflated.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
            afterData = at + 12 + length;
        }
        at += 12 + length;
    }
    if (firstData == 0) return png;

    std::vector<uint8_t> raw(rawSize);
    uLongf rawLength = raw.size();
    if (uncompress(raw.data(), &rawLength, deflated.data(), deflated.size()) != Z_OK || rawLength != rawSize)
        return png;
    std::vector<uint8_t> chunk(8 + compressBound(rawSize));
    uLongf dataLength = chunk.size() - 8;
    if (compress2(chunk.data() + 8, &dataLength, raw.data(), rawSize, Z_BEST_COMPRESSION) != Z_OK) return png;
    chunk.resize(8 + dataLength);
    auto putWord = [](uint8_t* at, uint32_t word) {
        for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(word >> (24 - 8 * i));
    };
    putWord(chunk.data(), static_cast<uint32_t>(dataLength));
    std::memcpy(chunk.data() + 4, "IDAT", 4);
    chunk.resize(chunk.size() + 4);
    putWord(chunk.data() + 8 + dataLength, static_cast<uint32_t>(crc32(0, chunk.data() + 4, dataLength + 4)));

    std::vector<uint8_t> out(png.begin(), png.begin() + firstData);
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), png.begin() + afterData, png.end());
    return out;
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
    return platform::Files::writeAtomically(path, platform::Data(atBestCompression(std::move(*png))));
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
