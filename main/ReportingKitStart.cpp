#include "main/ReportingKitStart.h"

#include "platform/base/Log.h"
#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"

namespace kestrune {

void ReportingKitStart::startReportingKit() {
    // The reporting kit starts with the crash kit; a build without the crash kit starts nothing.
    if (auto crashKit = reporting::RKTKitClass::classNamed(kCrashKitClassName)) {
        reporting::ReportKit::with({crashKit});
    } else {
        platform::logf("ReportKit: the crash kit is not part of this build; crash reporting is off");
    }
}

}  // namespace kestrune
