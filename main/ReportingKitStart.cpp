#include "main/ReportingKitStart.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/base/Log.h"
#include "platform/base/Quit.h"
#include "platform/base/RunLoop.h"
#include "reporting/UsageKit/UsageKit.h"
#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/capture/CRKCapture.h"
#include "reporting/crash/kit/CrashKit.h"

namespace kestrune {

void ReportingKitStart::registerKits() {
    reporting::CRKContextSetHooks(reporting::CRKCaptureHooks());
    reporting::ReportKit::registerClass();
    reporting::CrashKit::registerKitClass();
    reporting::UsageKit::registerKitClass();
}

namespace {

// Real time the signal's thread has to take the signal: it waits for nothing else, so only a machine
// with every core taken makes it slow. A bound that only catches a quit that never begins (the start then
// goes on as it would), not a slow one.
constexpr double kSecondsForTheQuitToBegin = 120;

void quitAsTheKitStarts() {
    platform::logf("%s is set: SIGTERM as the reporting kit starts",
                   ReportingKitStart::kTestQuitAtStartVariable);
    kill(getpid(), SIGTERM);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(kSecondsForTheQuitToBegin);
    while (!platform::Quit::hasBegun()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            platform::logf("%s: the quit had not begun after %.0f s; the kit starts anyway",
                           ReportingKitStart::kTestQuitAtStartVariable, kSecondsForTheQuitToBegin);
            return;
        }
        std::this_thread::yield();
    }
}

}  // namespace

void ReportingKitStart::startReportingKit() {
    if (std::getenv(kTestQuitAtStartVariable)) quitAsTheKitStarts();
    // The reporting kit starts with the crash kit; a build without the crash kit starts nothing.
    if (auto crashKit = reporting::RKTKitClass::classNamed(kCrashKitClassName)) {
        reporting::ReportKit::with({crashKit});
    } else {
        platform::logf("ReportKit: the crash kit is not part of this build; crash reporting is off");
    }
    const char* crash = std::getenv(kTestCrashVariable);
    if (!crash) return;
    if (std::strcmp(crash, "early") == 0) {
        platform::logf("%s is set: crashing during start-up", kTestCrashVariable);
        reporting::CrashKit::crash();
    }
    if (std::strcmp(crash, "1") == 0) {
        // Once the handlers are in place and the launch is over, so the next launch has an ordinary
        // report to send.
        platform::logf("%s is set: crashing on request", kTestCrashVariable);
        platform::RunLoop::main().performAfterDelay(0.5, [] { reporting::CrashKit::crash(); });
    }
}

}  // namespace kestrune
