#pragma once

#include <atomic>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/system/Camera.h"

namespace platform {

// Cameras of the simulated Mac: none, one or several devices, each of which may refuse to open or to
// start, never deliver a frame, or take its time to stop. A running session delivers a test pattern
// (colour bars with a moving stripe) on its own serial queue, at times kept by the main run loop, so
// that tests place every frame in virtual time. Each timer hands its frame over and waits until the
// receiver has it, so a frame "at 1.0 s" has been received when the main loop passes 1.0 s.
class SimulatedCamera final : public CaptureBackend, public std::enable_shared_from_this<SimulatedCamera> {
public:
    struct Device {
        std::string name = "Simulated Camera";
        CaptureMediaType mediaType = CaptureMediaType::Video;
        bool failsToOpen = false;
        bool failsToStart = false;
        bool neverDelivers = false;
        // The first frame this long after the session starts, then one every interval.
        double firstFrameAfter = 0.1;
        double frameInterval = 1.0 / 30.0;
        // How long the session keeps running after it was asked to stop (infinity: it never stops).
        double stopDelay = 0;
        int width = 64;
        int height = 48;
    };

    static std::shared_ptr<SimulatedCamera> create(std::vector<Device> devices);
    // One ordinary camera, as the simulated Mac has by default.
    static std::shared_ptr<SimulatedCamera> createDefault();

    std::vector<CaptureDevice> devicesWithMediaType(CaptureMediaType type) override;
    std::optional<CaptureDevice> defaultDeviceWithMediaType(CaptureMediaType type) override;
    std::shared_ptr<CaptureSession> openSession(const CaptureDevice& device, Error* error) override;

    // What happened, for tests.
    int sessionsOpened() const { return opened_.load(); }
    int sessionsStarted() const { return started_.load(); }
    int sessionsRunning() const { return running_.load(); }
    int framesDelivered() const { return frames_.load(); }

    // The pattern of frame `index` at the size (also used to check what was written).
    static VideoFrame testPattern(int width, int height, int index);

private:
    class Session;
    friend class Session;
    explicit SimulatedCamera(std::vector<Device> devices) : devices_(std::move(devices)) {}

    std::vector<Device> devices_;
    std::atomic<int> opened_{0};
    std::atomic<int> started_{0};
    std::atomic<int> running_{0};
    std::atomic<int> frames_{0};
};

}  // namespace platform
