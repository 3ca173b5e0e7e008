#include "platform/system/Camera.h"

#include "platform/base/BackendSlot.h"

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

}  // namespace

std::shared_ptr<CaptureBackend> CaptureBackend::current() {
    return platform::backendSlot<CaptureBackend>().getOr<NoCamera>();
}

void CaptureBackend::install(std::shared_ptr<CaptureBackend> backend) {
    platform::backendSlot<CaptureBackend>().set(std::move(backend));
}

}  // namespace platform
