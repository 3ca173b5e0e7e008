#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Data.h"
#include "platform/system/Camera.h"
#include "platform/ui/Image.h"

namespace kestrune {

// One photo from a camera: a capture session on the device, the newest frame kept under this object's
// lock (frames arrive on the capture's own thread), one frame taken after a warm-up, the session
// stopped, the image written in the type its file name asks for. An object lives for one photo.
class ImageSnap : public platform::CaptureFrameReceiver, public std::enable_shared_from_this<ImageSnap> {
public:
    using Image = platform::ui::Image;
    using Completion = std::function<void(bool success)>;

    // How long a snapshot waits for the first frame and a stop for the session to end; then they give up.
    static constexpr double kFrameWaitLimit = 5.0;
    static constexpr double kStopWaitLimit = 5.0;

    // Every video device, then every muxed one.
    static std::vector<platform::CaptureDevice> videoDevices();
    static bool hasVideoDevice();
    // The default video device, else the default muxed one.
    static std::optional<platform::CaptureDevice> defaultVideoDevice();
    // The last device in the list whose description equals the name.
    static std::optional<platform::CaptureDevice> deviceNamed(const std::string& name);

    // Starts the session now, takes the frame after the warm-up (seconds, 0 when none) on the calling
    // thread's run loop, and reports whether the photo was written (at full quality).
    static void saveSingleSnapshotFrom_toFile_withWarmup_completion(
        const std::optional<platform::CaptureDevice>& device, const std::string& path,
        std::optional<double> warmup, Completion completion);
    // The same, waiting on the calling thread's run loop; compression 1.0 unless given.
    static bool saveSingleSnapshotFrom_toFile(const std::optional<platform::CaptureDevice>& device,
                                              const std::string& path);
    static bool saveSingleSnapshotFrom_toFile_withWarmup(const std::optional<platform::CaptureDevice>& device,
                                                         const std::string& path,
                                                         std::optional<double> warmup);
    static bool saveSingleSnapshotFrom_toFile_withWarmup_compression(
        const std::optional<platform::CaptureDevice>& device, const std::string& path,
        std::optional<double> warmup, double compression);

    // Writes the image in the type of the path's extension, whole or not at all, readable by the user only.
    static bool saveImage_toPath(const Image& image, const std::string& path);
    // The bytes for an extension compared without case: "tif"/"tiff" TIFF, "jpg"/"jpeg" JPEG at 0.9,
    // "png" PNG, "bmp" BMP, "gif" GIF, anything else JPEG with the codec's default quality.
    static std::optional<std::vector<uint8_t>> dataFrom_asType(const Image& image,
                                                               const std::string& extension);
    static std::shared_ptr<Image> imageFromFile(const std::string& path);
    static std::optional<platform::Data> dataFromFile(const std::string& path);
    // PNG or JPEG bytes.
    static std::shared_ptr<Image> imageFromData(const platform::Data& data);
    // The pixels as a filter works on them, and back.
    static std::optional<platform::ui::Bitmap> ciImageFromNSImage(const Image& image);
    static std::shared_ptr<Image> nsImageFromCIImage(const platform::ui::Bitmap& pixels);
    // Colour controls: saturation mixes each pixel with its luminance, brightness is added, contrast
    // scales about the middle grey.
    static std::shared_ptr<Image> oldPhoto_withBrightness_saturation_contrast(const Image& image,
                                                                              double brightness,
                                                                              double saturation,
                                                                              double contrast);
    static std::shared_ptr<Image> enhancedImageFromImage(const std::shared_ptr<Image>& image) {
        return image;
    }

    ImageSnap() = default;
    ~ImageSnap() override;

    // True when the session runs on the device afterwards.
    bool startSession(const std::optional<platform::CaptureDevice>& device);
    // The newest frame as an image; waits on the run loop for the first one, at most kFrameWaitLimit.
    std::shared_ptr<Image> snapshot();
    // Stops the session, waiting on the run loop at most kStopWaitLimit for it to end, and lets it go.
    void stopSession();

    void captureOutput_didOutputVideoFrame(const std::shared_ptr<const platform::VideoFrame>& frame) override;

private:
    static void finish(const std::shared_ptr<Image>& image, const std::string& path, double compression,
                       const Completion& completion);
    static bool saveSnapshot(const std::shared_ptr<Image>& image, const std::string& path,
                             double compression);

    std::optional<platform::CaptureDevice> device_;
    std::shared_ptr<platform::CaptureSession> session_;
    mutable std::mutex frameMutex_;
    std::shared_ptr<const platform::VideoFrame> currentFrame_;
};

}  // namespace kestrune
