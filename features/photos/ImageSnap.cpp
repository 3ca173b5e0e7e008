#include "features/photos/ImageSnap.h"

#include <algorithm>
#include <cmath>

#include "app/shell/PerformBlockAfterDelay.h"
#include "features/photos/ImageCompression.h"
#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/ui/ImageCoding.h"

namespace kestrune {

namespace {
using platform::CaptureBackend;
using platform::CaptureMediaType;

std::string extensionOf(const std::string& path) {
    const std::string name = platform::Files::lastPathComponent(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : platform::toLowerASCII(name.substr(dot + 1));
}

uint8_t clampByte(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v * 255.0), 0L, 255L));
}
}  // namespace

std::vector<platform::CaptureDevice> ImageSnap::videoDevices() {
    auto backend = CaptureBackend::current();
    auto devices = backend->devicesWithMediaType(CaptureMediaType::Video);
    auto muxed = backend->devicesWithMediaType(CaptureMediaType::Muxed);
    devices.insert(devices.end(), muxed.begin(), muxed.end());
    return devices;
}

bool ImageSnap::hasVideoDevice() {
    return !videoDevices().empty();
}

std::optional<platform::CaptureDevice> ImageSnap::defaultVideoDevice() {
    auto backend = CaptureBackend::current();
    if (auto device = backend->defaultDeviceWithMediaType(CaptureMediaType::Video)) return device;
    return backend->defaultDeviceWithMediaType(CaptureMediaType::Muxed);
}

std::optional<platform::CaptureDevice> ImageSnap::deviceNamed(const std::string& name) {
    std::optional<platform::CaptureDevice> found;
    for (const auto& device : videoDevices())
        if (device.localizedDescription == name) found = device;
    return found;
}

ImageSnap::~ImageSnap() {
    if (session_) session_->stopRunning();
}

bool ImageSnap::startSession(const std::optional<platform::CaptureDevice>& device) {
    if (!device) {
        platform::logf("ImageSnap: no camera to start");
        return false;
    }
    if (session_ && device_ && device_->uniqueID == device->uniqueID && session_->isRunning()) return true;
    if (session_) stopSession();
    platform::Error error;
    auto session = CaptureBackend::current()->openSession(*device, &error);
    if (!session) {
        platform::logf("ImageSnap: %s cannot be opened: %s", device->localizedDescription.c_str(),
                       error.description.c_str());
        return false;
    }
    if (!session->setFrameReceiver(weak_from_this())) {
        platform::logf("ImageSnap: %s gives no video frames", device->localizedDescription.c_str());
        return false;
    }
    {
        std::lock_guard lock(frameMutex_);
        currentFrame_.reset();
    }
    if (!session->startRunning()) {
        platform::logf("ImageSnap: %s did not start", device->localizedDescription.c_str());
        return false;
    }
    device_ = device;
    session_ = std::move(session);
    return true;
}

void ImageSnap::captureOutput_didOutputVideoFrame(const std::shared_ptr<const platform::VideoFrame>& frame) {
    std::lock_guard lock(frameMutex_);
    currentFrame_ = frame;
}

std::shared_ptr<ImageSnap::Image> ImageSnap::snapshot() {
    auto take = [this] {
        std::lock_guard lock(frameMutex_);
        return currentFrame_;
    };
    auto frame = take();
    if (!frame) {
        // Frames arrive on the capture's thread; other work of this run loop goes on while we wait.
        const double deadline = platform::Clock::now() + kFrameWaitLimit;
        while (!frame && platform::Clock::now() < deadline) {
            platform::RunLoop::current().runUntil([&] { return take() != nullptr; },
                                                  std::min(0.1, deadline - platform::Clock::now()));
            frame = take();
        }
        if (!frame) {
            platform::logf("ImageSnap: no frame from %s within %.1f s",
                           device_ ? device_->localizedDescription.c_str() : "the camera", kFrameWaitLimit);
            return nullptr;
        }
    }
    platform::ui::Bitmap bitmap{frame->width, frame->height, frame->pixels};
    return nsImageFromCIImage(bitmap);
}

void ImageSnap::stopSession() {
    if (!session_) return;
    session_->stopRunning();
    const double deadline = platform::Clock::now() + kStopWaitLimit;
    while (session_->isRunning() && platform::Clock::now() < deadline) {
        platform::RunLoop::current().runUntil([&] { return !session_->isRunning(); },
                                              std::min(0.1, deadline - platform::Clock::now()));
    }
    if (session_->isRunning())
        platform::logf("ImageSnap: the camera did not stop within %.1f s; it is let go", kStopWaitLimit);
    session_->setFrameReceiver({});
    session_.reset();
    device_.reset();
}

void ImageSnap::saveSingleSnapshotFrom_toFile_withWarmup_completion(
    const std::optional<platform::CaptureDevice>& device, const std::string& path,
    std::optional<double> warmup, Completion completion) {
    auto snap = std::make_shared<ImageSnap>();
    if (!snap->startSession(device)) {
        finish(nullptr, path, 1.0, completion);
        return;
    }
    performStaticAfterDelay_staticBlock(std::max(0.0, warmup.value_or(0.0)), [snap, path, completion] {
        auto image = snap->snapshot();
        snap->stopSession();
        finish(image, path, 1.0, completion);
    });
}

bool ImageSnap::saveSingleSnapshotFrom_toFile(const std::optional<platform::CaptureDevice>& device,
                                              const std::string& path) {
    return saveSingleSnapshotFrom_toFile_withWarmup_compression(device, path, std::nullopt, 1.0);
}

bool ImageSnap::saveSingleSnapshotFrom_toFile_withWarmup(const std::optional<platform::CaptureDevice>& device,
                                                         const std::string& path,
                                                         std::optional<double> warmup) {
    return saveSingleSnapshotFrom_toFile_withWarmup_compression(device, path, warmup, 1.0);
}

bool ImageSnap::saveSingleSnapshotFrom_toFile_withWarmup_compression(
    const std::optional<platform::CaptureDevice>& device, const std::string& path,
    std::optional<double> warmup, double compression) {
    auto snap = std::make_shared<ImageSnap>();
    if (!snap->startSession(device)) return false;
    if (warmup && *warmup > 0) platform::RunLoop::current().runUntil([] { return false; }, *warmup);
    auto image = snap->snapshot();
    snap->stopSession();
    return saveSnapshot(image, path, compression);
}

void ImageSnap::finish(const std::shared_ptr<Image>& image, const std::string& path, double compression,
                       const Completion& completion) {
    const bool saved = saveSnapshot(image, path, compression);
    if (completion) completion(saved);
}

bool ImageSnap::saveSnapshot(const std::shared_ptr<Image>& image, const std::string& path,
                             double compression) {
    if (!image) return false;
    std::shared_ptr<Image> toSave = image;
    if (compression >= 0.0 && compression < 1.0) {
        toSave = imageCompressedByFactor(*image, compression);
        if (!toSave) return false;
    }
    return saveImage_toPath(*toSave, path);
}

bool ImageSnap::saveImage_toPath(const Image& image, const std::string& path) {
    auto bytes = dataFrom_asType(image, extensionOf(path));
    if (!bytes) {
        platform::logf("ImageSnap: the photo could not be encoded for %s", path.c_str());
        return false;
    }
    // Photos of whoever sat at the Mac are the user's alone.
    if (!platform::Files::writeAtomically(path, platform::Data(std::move(*bytes)), 0600)) {
        platform::logf("ImageSnap: the photo could not be written to %s", path.c_str());
        return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> ImageSnap::dataFrom_asType(const Image& image,
                                                               const std::string& extension) {
    if (!image.bitmap()) return std::nullopt;
    const auto& bitmap = *image.bitmap();
    const std::string type = platform::toLowerASCII(extension);
    using platform::ui::ImageCoding;
    if (type == "tif" || type == "tiff") return ImageCoding::encodeTIFF(bitmap);
    if (type == "jpg" || type == "jpeg") return ImageCoding::encodeJPEG(bitmap, 0.9);
    if (type == "png") return image.pngRepresentation();
    if (type == "bmp") return ImageCoding::encodeBMP(bitmap);
    if (type == "gif") return ImageCoding::encodeGIF(bitmap);
    return ImageCoding::encodeJPEG(bitmap, 0.75);  // the codec's default quality
}

std::shared_ptr<ImageSnap::Image> ImageSnap::imageFromFile(const std::string& path) {
    auto data = dataFromFile(path);
    if (!data) return nullptr;
    return imageFromData(*data);
}

std::optional<platform::Data> ImageSnap::dataFromFile(const std::string& path) {
    if (!platform::Files::exists(path)) return std::nullopt;
    return platform::Files::read(path);
}

std::shared_ptr<ImageSnap::Image> ImageSnap::imageFromData(const platform::Data& data) {
    const auto& bytes = data.vector();
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        auto bitmap = platform::ui::ImageCoding::decodeJPEG(bytes);
        return bitmap ? nsImageFromCIImage(*bitmap) : nullptr;
    }
    return Image::initWithData(bytes);
}

std::optional<platform::ui::Bitmap> ImageSnap::ciImageFromNSImage(const Image& image) {
    return image.bitmap();
}

std::shared_ptr<ImageSnap::Image> ImageSnap::nsImageFromCIImage(const platform::ui::Bitmap& pixels) {
    platform::ui::Size size{static_cast<double>(pixels.width), static_cast<double>(pixels.height)};
    return Image::createWithBitmap(pixels, size);
}

std::shared_ptr<ImageSnap::Image> ImageSnap::oldPhoto_withBrightness_saturation_contrast(const Image& image,
                                                                                         double brightness,
                                                                                         double saturation,
                                                                                         double contrast) {
    auto pixels = ciImageFromNSImage(image);
    if (!pixels) return nullptr;
    for (uint32_t& pixel : pixels->pixels) {
        const uint32_t alpha = pixel >> 24;
        if (alpha == 0) continue;
        const double a = alpha / 255.0;
        // Work on unpremultiplied components, as the filter does.
        double rgb[3] = {((pixel >> 16) & 0xFF) / 255.0 / a, ((pixel >> 8) & 0xFF) / 255.0 / a,
                         (pixel & 0xFF) / 255.0 / a};
        const double luminance = 0.2125 * rgb[0] + 0.7154 * rgb[1] + 0.0721 * rgb[2];
        uint32_t out = alpha << 24;
        for (int i = 0; i < 3; ++i) {
            double c = luminance + saturation * (rgb[i] - luminance);
            c += brightness;
            c = (c - 0.5) * contrast + 0.5;
            out |= static_cast<uint32_t>(clampByte(std::clamp(c, 0.0, 1.0) * a)) << (16 - 8 * i);
        }
        pixel = out;
    }
    return nsImageFromCIImage(*pixels);
}

}  // namespace kestrune
