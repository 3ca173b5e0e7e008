#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Error.h"

namespace platform {

// Cameras: the capture devices, a capture session on one of them, and the decompressed video frames it
// delivers. A backend (a simulated camera here; V4L2 where a camera exists) is installed by the program's
// entry or a test; without one there is no camera.

enum class CaptureMediaType { Video, Muxed };

struct CaptureDevice {
    std::string uniqueID;
    // The name the user sees ("FaceTime HD Camera").
    std::string localizedDescription;
    CaptureMediaType mediaType = CaptureMediaType::Video;
};

// One decompressed frame: 32-bit premultiplied ARGB in native byte order, rows of `width` pixels (the
// layout of a drawing bitmap).
struct VideoFrame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Receives the frames of a running session on the capture's own thread, never on the main thread.
class CaptureFrameReceiver {
public:
    virtual ~CaptureFrameReceiver() = default;
    virtual void captureOutput_didOutputVideoFrame(const std::shared_ptr<const VideoFrame>& frame) = 0;
};

// A session on one opened device: its frames go to the receiver while it runs.
class CaptureSession {
public:
    virtual ~CaptureSession() = default;
    // Adds the decompressed-video output; false when the device offers none.
    virtual bool setFrameReceiver(std::weak_ptr<CaptureFrameReceiver> receiver) = 0;
    virtual bool startRunning() = 0;
    // Asks the session to stop; it may take a while before isRunning() turns false.
    virtual void stopRunning() = 0;
    virtual bool isRunning() const = 0;
};

class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;

    // The backend in use: the one installed, else none (no devices).
    static std::shared_ptr<CaptureBackend> current();
    static void install(std::shared_ptr<CaptureBackend> backend);

    virtual std::vector<CaptureDevice> devicesWithMediaType(CaptureMediaType type) = 0;
    virtual std::optional<CaptureDevice> defaultDeviceWithMediaType(CaptureMediaType type) = 0;
    // Opens the device for a session; none (with the reason) when it cannot be opened.
    virtual std::shared_ptr<CaptureSession> openSession(const CaptureDevice& device, Error* error) = 0;
};

}  // namespace platform
