#include "platform/system/WorkspaceBackend.h"

#include "platform/base/BackendSlot.h"
#include "platform/base/Log.h"

namespace platform {

namespace {

// A desktop without a file browser or a sound device: requests are only logged.
class NoDesktop final : public WorkspaceBackend {
public:
    void revealFiles(const std::vector<std::string>& paths) override {
        for (const auto& path : paths) logf("Workspace: no file browser to reveal %s", path.c_str());
    }
    void playSound(const std::string& path) override {
        logf("SystemSound: no sound device to play %s", path.c_str());
    }
};

}  // namespace

std::shared_ptr<WorkspaceBackend> WorkspaceBackend::current() {
    return platform::backendSlot<WorkspaceBackend>().getOr<NoDesktop>();
}

void WorkspaceBackend::install(std::shared_ptr<WorkspaceBackend> backend) {
    platform::backendSlot<WorkspaceBackend>().set(std::move(backend));
}

void WorkspaceBackend::openFile_withApplication(const std::string& path, const std::string& application) {
    logf("Workspace: no %s to open %s", application.c_str(), path.c_str());
}

}  // namespace platform
