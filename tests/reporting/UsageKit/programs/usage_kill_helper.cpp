// usage_kill_helper <root> <events url> <record file> <kill file>
//
// Reads rounds from standard input, one a line: "<point> <pass> <events> <final>". Each round is a new
// process (forked from this one, which starts no thread of its own, so every round starts as a fresh
// launch would, without paying for a program load): it starts the analytics pipeline over <root>, logs
// <events> custom events and, when <final> is 1, a flush event; then waits until everything it can send
// is sent and exits 0. When the fault point named <point> is passed for the <pass>-th time it notes
// "<point> <detail>" in <kill file> and sends itself SIGKILL. Each event whose line is on disk is noted
// by identifier in <record file>. The round's wait status is written to standard output, one a line.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "reporting/UsageKit/USKFaultPoints.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/USKUsageKitController.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/upload/USKUploader.h"

namespace {

std::string gPoint;
long gPass = 0;
std::atomic<long> gCount{0};
// Set once a thread has chosen to die here: the round must then end by that kill, never by the main
// thread's exit slipping in between the kill's line and the signal.
std::atomic<bool> gDying{false};
int gRecordFd = -1;
int gKillFd = -1;

void writeLine(int fd, const std::string& text) {
    const std::string line = text + "\n";
    if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(4);
}

void onPoint(const char* point, const std::string& detail) {
    if (gPoint == point && ++gCount == gPass) {
        gDying = true;
        writeLine(gKillFd, std::string(point) + " " + detail);
        ::kill(::getpid(), SIGKILL);
    }
    if (std::string(point) == "write.line.done") writeLine(gRecordFd, detail);
}

}  // namespace

// One launch of the pipeline; never returns.
[[noreturn]] void runRound(const std::string& root, const std::string& url, int events, bool final) {
    reporting::USKSetFaultPointHandler(&onPoint);
    if (std::getenv("USK_KILL_HELPER_DEBUG")) reporting::USKLogger::sharedLogger().setDebugMode(true);
    using platform::Value;
    auto controller =
        reporting::USKUsageKitController::controllerWithBetaToken_rootDirectory(std::nullopt, root);
    controller->initializeSettingsIfNeededWithReportKitSettings(
        Value::Dictionary{{"analytics", Value::Dictionary{{"url", Value(url)},
                                                          {"max_byte_size_per_file", Value(300)},
                                                          {"flush_interval_secs", Value(0.002)}}}});
    auto& loop = platform::RunLoop::main();
    for (int i = 0; i < events; ++i) {
        controller->logEvent(
            std::make_shared<reporting::USKCustomEvent>("k", Value::Dictionary{{"n", Value(i)}}));
        loop.runOnce();
    }
    if (final) controller->logEvent(std::make_shared<reporting::USKLifecycleEvent>("app_became_active"));
    // Whether all is sent is judged on the event queue itself, where the controller's state lives.
    const std::string folder = root + "/events";
    std::atomic<int> settled{-1};  // -1: a probe is queued; 0: not yet; 1: done
    auto probe = [&] {
        controller->eventQueue()->addOperationWithBlock([&] {
            bool ok = controller->eventQueue()->operationCount() <= 1 && controller->uploader() &&
                      controller->uploader()->namesInFlight().empty();
            const std::string current = platform::Files::lastPathComponent(controller->currentLogURL());
            for (const auto& name : platform::Files::listDirectory(folder))
                if (final || name != current) ok = false;
            settled = ok ? 1 : 0;
        });
    };
    probe();
    const bool done = loop.runUntil(
        [&] {
            const int state = settled.load();
            if (state == 0) {
                settled = -1;
                probe();
            }
            return state == 1;
        },
        20.0);
    while (gDying.load()) ::pause();  // the kill is on its way
    _exit(done ? 0 : 3);
}

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const std::string root = argv[1];
    const std::string url = argv[2];
    gRecordFd = ::open(argv[3], O_WRONLY | O_CREAT | O_APPEND, 0600);
    gKillFd = ::open(argv[4], O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (gRecordFd < 0 || gKillFd < 0) return 2;
    char point[64];
    long pass = 0;
    int events = 0;
    int final = 0;
    while (std::scanf("%63s %ld %d %d", point, &pass, &events, &final) == 4) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child < 0) return 2;
        if (child == 0) {
            gPoint = point;
            gPass = pass;
            runRound(root, url, events, final == 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        std::printf("%d\n", status);
        std::fflush(stdout);
    }
    return 0;
}
