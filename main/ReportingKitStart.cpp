#include "main/ReportingKitStart.h"

#include <cstdlib>
#include <cstring>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CrashKit.h"

namespace kestrune {

void ReportingKitStart::startReportingKit() {
    // The reporting kit starts with the crash kit; a build without the crash kit starts nothing.
    if (auto crashKit = reporting::RKTKitClass::classNamed(kCrashKitClassName)) {
        reporting::ReportKit::with({crashKit});
    } else {
        platform::logf("ReportKit: the crash kit is not part of this build; crash reporting is off");
    }
    // Test switch: crash on the first turns of the run loop, once the handlers are in place, so the next
    // launch has a report to send.
    const char* crash = std::getenv("KESTRUNE_TEST_CRASH");
    if (crash && std::strcmp(crash, "1") == 0) {
        platform::logf("KESTRUNE_TEST_CRASH is set: crashing on request");
        platform::RunLoop::main().performAfterDelay(0.5, [] { reporting::CrashKit::crash(); });
    }
}

}  // namespace kestrune
