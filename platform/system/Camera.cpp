#include "platform/system/Camera.h"

#include <mutex>

namespace platform {

namespace {

class NoCamera final : public CaptureBackend {
public:
    std::vector<CaptureDevice> devicesWithMediaType(CaptureMediaType) override { return {}; }
    std::optional<CaptureDevice> defaultDeviceWithMediaType(CaptureMediaType) override {
        return std::nullopt;
    }
    std::shared_ptr<CaptureSession> openSession(const CaptureDevice&, Error* error) override {
        if (error) *error = Error{"Camera", 1, "there is no camera"};
        return nullptr;
    }
};

std::mutex gBackendMutex;
std::shared_ptr<CaptureBackend> gInstalled;

}  // namespace

std::shared_ptr<CaptureBackend> CaptureBackend::current() {
    std::lock_guard lock(gBackendMutex);
    if (gInstalled) return gInstalled;
    static const std::shared_ptr<CaptureBackend> none = std::make_shared<NoCamera>();
    return none;
}

void CaptureBackend::install(std::shared_ptr<CaptureBackend> backend) {
    std::lock_guard lock(gBackendMutex);
    gInstalled = std::move(backend);
}

}  // namespace platform
