#include "platform/sim/camera/SimulatedCamera.h"

#include <cmath>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace platform {

class SimulatedCamera::Session final : public CaptureSession, public std::enable_shared_from_this<Session> {
public:
    Session(std::shared_ptr<SimulatedCamera> camera, Device device)
        : camera_(std::move(camera)),
          device_(std::move(device)),
          queue_(DispatchQueue::createSerial("camera." + device_.name)) {}

    ~Session() override {
        if (timer_) timer_->invalidate();
        if (stopTimer_) stopTimer_->invalidate();
        if (running_) camera_->running_--;
    }

    bool setFrameReceiver(std::weak_ptr<CaptureFrameReceiver> receiver) override {
        std::lock_guard lock(mutex_);
        receiver_ = std::move(receiver);
        return true;
    }

    bool startRunning() override {
        if (device_.failsToStart) {
            logf("SimulatedCamera: %s refuses to start", device_.name.c_str());
            return false;
        }
        if (running_) return true;
        running_ = true;
        camera_->started_++;
        camera_->running_++;
        if (!device_.neverDelivers) scheduleFrame(device_.firstFrameAfter);
        return true;
    }

    void stopRunning() override {
        if (!running_ || stopping_) return;
        stopping_ = true;
        if (timer_) timer_->invalidate();
        if (std::isinf(device_.stopDelay)) return;
        std::weak_ptr<Session> weak = shared_from_this();
        stopTimer_ = RunLoop::main().performAfterDelay(device_.stopDelay, [weak] {
            if (auto self = weak.lock()) self->finishStopping();
        });
    }

    bool isRunning() const override { return running_; }

private:
    void finishStopping() {
        if (!running_) return;
        running_ = false;
        stopping_ = false;
        camera_->running_--;
    }

    void scheduleFrame(double delay) {
        std::weak_ptr<Session> weak = shared_from_this();
        timer_ = RunLoop::main().performAfterDelay(delay, [weak] {
            if (auto self = weak.lock()) self->deliverFrame();
        });
    }

    void deliverFrame() {
        if (!running_ || stopping_) return;
        auto frame = std::make_shared<const VideoFrame>(testPattern(device_.width, device_.height, index_++));
        std::weak_ptr<CaptureFrameReceiver> receiver;
        {
            std::lock_guard lock(mutex_);
            receiver = receiver_;
        }
        // The frame reaches the receiver on the camera's own queue; the main loop waits for the hand-over.
        queue_->sync([&] {
            if (auto target = receiver.lock()) target->captureOutput_didOutputVideoFrame(frame);
        });
        camera_->frames_++;
        scheduleFrame(device_.frameInterval);
    }

    std::shared_ptr<SimulatedCamera> camera_;
    Device device_;
    std::shared_ptr<DispatchQueue> queue_;
    std::mutex mutex_;
    std::weak_ptr<CaptureFrameReceiver> receiver_;
    std::shared_ptr<Timer> timer_;
    std::shared_ptr<Timer> stopTimer_;
    bool running_ = false;
    bool stopping_ = false;
    int index_ = 0;
};

std::shared_ptr<SimulatedCamera> SimulatedCamera::create(std::vector<Device> devices) {
    return std::shared_ptr<SimulatedCamera>(new SimulatedCamera(std::move(devices)));
}

std::shared_ptr<SimulatedCamera> SimulatedCamera::createDefault() {
    Device device;
    device.name = "Simulated FaceTime Camera";
    device.width = 320;
    device.height = 240;
    return create({device});
}

std::vector<CaptureDevice> SimulatedCamera::devicesWithMediaType(CaptureMediaType type) {
    std::vector<CaptureDevice> devices;
    for (size_t i = 0; i < devices_.size(); ++i) {
        if (devices_[i].mediaType == type)
            devices.push_back({"sim-camera-" + std::to_string(i), devices_[i].name, devices_[i].mediaType});
    }
    return devices;
}

std::optional<CaptureDevice> SimulatedCamera::defaultDeviceWithMediaType(CaptureMediaType type) {
    auto devices = devicesWithMediaType(type);
    if (devices.empty()) return std::nullopt;
    return devices.front();
}

std::shared_ptr<CaptureSession> SimulatedCamera::openSession(const CaptureDevice& device, Error* error) {
    const std::string prefix = "sim-camera-";
    size_t index = devices_.size();
    if (device.uniqueID.rfind(prefix, 0) == 0) index = std::stoul(device.uniqueID.substr(prefix.size()));
    if (index >= devices_.size()) {
        if (error) *error = Error{"Camera", 2, "no such camera"};
        return nullptr;
    }
    if (devices_[index].failsToOpen) {
        if (error) *error = Error{"Camera", 3, devices_[index].name + " is in use by another application"};
        return nullptr;
    }
    opened_++;
    return std::make_shared<Session>(shared_from_this(), devices_[index]);
}

VideoFrame SimulatedCamera::testPattern(int width, int height, int index) {
    static const uint32_t bars[] = {0xFFFFFFFF, 0xFFFFFF00, 0xFF00FFFF, 0xFF00FF00,
                                    0xFFFF00FF, 0xFFFF0000, 0xFF0000FF, 0xFF000000};
    VideoFrame frame;
    frame.width = std::max(1, width);
    frame.height = std::max(1, height);
    frame.pixels.resize(static_cast<size_t>(frame.width) * frame.height);
    const int stripe = (index * 2) % frame.height;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            uint32_t colour = bars[(x * 8) / frame.width];
            if (y == stripe) colour = 0xFF808080;
            frame.pixels[static_cast<size_t>(y) * frame.width + x] = colour;
        }
    }
    return frame;
}

}  // namespace platform
