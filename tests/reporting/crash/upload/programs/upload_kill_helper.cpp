// Runs the reports controller over a report store until the store is empty, as the crash reporting
// controller does at each launch: reports left in processing are packaged as they lie, packages left
// in the prepared folder are sent, reports of earlier runs are processed, packaged and sent, and failed
// uploads are tried again. Time is virtual, so a "Retry-After" costs nothing.
//
//   upload_kill_helper <store root> <root certificate (DER)> <kill point> <pass> <window log>
//
// The endpoint comes from the environment (CrashKitReportsEndpoint). With a kill point, the helper sends
// itself SIGKILL at that pass of the named point; before it dies it appends to the window log how many
// finished packages lie in the prepared folder, each of which the next run may send a second time.
// Exit status: 0 with the store empty, 3 when work stopped with reports left.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTCertificatePinner.h"
#include "reporting/crash/upload/CRKReportsController.h"
#include "reporting/crash/upload/CRKUploadCheckpoint.h"

using namespace reporting;

namespace {

std::string gKillPoint;
int gKillPass = 0;
std::atomic<int> gPasses{0};
std::string gPreparedPath;
std::string gWindowLog;

void checkpoint(const char* name) {
    if (gKillPoint != name || ++gPasses != gKillPass) return;
    const size_t packages = platform::Files::listDirectory(gPreparedPath).size();
    const std::string line = std::string(name) + " " + std::to_string(packages) + "\n";
    const int fd = open(gWindowLog.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) {
        (void)!write(fd, line.data(), line.size());
        fsync(fd);
        close(fd);
    }
    kill(getpid(), SIGKILL);
}

class Driver : public CRKReportsControllerDelegate, public CRKNetworkClientDelegate {
public:
    void reportsController_didCompletePackageSubmission_error(CRKReportsController& controller,
                                                              const std::string& path,
                                                              const KitErrorPtr& error) override {
        // The retry of failed uploads that the crash reporting controller does.
        if (error && platform::Files::exists(path))
            controller.uploadPackagedReportAtPath_asUrgent(path, false);
    }
    void reportsControllerDidCompleteAllSubmissions(CRKReportsController&) override {}
    std::shared_ptr<CRKSettings> settingsForReportsController(CRKReportsController&) override {
        return std::make_shared<CRKSettings>(std::nullopt);
    }
    std::optional<std::string> APIKeyForReportsController(CRKReportsController&) override {
        return "app-key";
    }
    std::string bundleIdentifierForReportsController(CRKReportsController&) override {
        return "com.example.kestrune";
    }
    bool networkClientCanUseBackgroundSessions(CRKNetworkClient&) override { return false; }
    void networkClient_didFinishUploadWithPath_error(CRKNetworkClient&, const std::string& path,
                                                     const KitErrorPtr& error) override {
        if (auto reports = controller.lock()) reports->reportUploadAtPath_completedWithError(path, error);
    }

    std::weak_ptr<CRKReportsController> controller;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        fprintf(stderr, "usage: %s <store> <root.der> <kill point|-> <pass> <window log>\n", argv[0]);
        return 2;
    }
    platform::Clock::useVirtualTime();
    auto store = std::make_shared<CRKFileManager>(argv[1]);
    const auto root = platform::Files::read(argv[2]);
    if (!root || !store->prepareForNewLaunch()) return 2;
    gKillPoint = argv[3];
    gKillPass = atoi(argv[4]);
    gPreparedPath = store->preparedPath();
    gWindowLog = argv[5];
    CRKUploadSetCheckpointObserver(checkpoint);

    auto driver = std::make_shared<Driver>();
    auto queue = OperationQueue::create("crash work");
    queue->setMaxConcurrentOperationCount(1);
    auto client = CRKNetworkClient::initWithQueue_fileManager_delegate(
        queue, store, driver, std::make_shared<RKTCertificatePinner>(std::vector<platform::Data>{*root}));
    auto controller = std::make_shared<CRKReportsController>(queue, driver, client, store);
    driver->controller = controller;

    queue->addOperationWithBlock([&] {
        for (const std::string& folder : store->processingPathContents()) {
            if (auto report = CRKInternalReport::reportWithPath(folder))
                controller->prepareAndSubmitReport_asUrgent_withProcessing(report, false, false);
        }
        for (const std::string& package : store->preparedPathContents())
            controller->uploadPackagedReportAtPath_asUrgent(package, false);
        for (const std::string& folder : store->activePathContents()) {
            if (auto report = CRKInternalReport::reportWithPath(folder))
                controller->prepareAndSubmitReport_asUrgent_withProcessing(report, false, true);
        }
    });

    const auto empty = [&] {
        return store->activePathContents().empty() && store->processingPathContents().empty() &&
               store->preparedPathContents().empty();
    };
    auto& loop = platform::RunLoop::main();
    for (;;) {
        loop.runUntilIdle();
        queue->waitUntilAllOperationsAreFinished();
        loop.runUntilIdle();
        if (empty() && client->uploadsInFlight() == 0) break;
        const auto next = loop.nextTimerFireDate();
        if (!next) {
            fprintf(stderr, "upload_kill_helper: nothing left to wait for, but the store is not empty\n");
            client->invalidate();
            return 3;
        }
        loop.advance(*next - platform::Clock::now() + 0.001);
    }
    client->invalidate();
    return 0;
}
