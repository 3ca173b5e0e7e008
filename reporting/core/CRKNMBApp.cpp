#include "reporting/core/CRKNMBApp.h"

#include "platform/base/Log.h"
#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"

namespace reporting {

bool CRKNMBApp::isDataCollectionDefaultEnabled() {
    auto nimbus = RKTKitClass::classNamed("NMBApp");
    if (!nimbus) return true;
    auto app = nimbus->defaultApp();
    if (!app) return true;
    if (app->isDataCollectionDefaultEnabled) return *app->isDataCollectionDefaultEnabled;
    if (ReportKit::sharedSDK().debug())
        platform::logf(
            "[ReportKit] [CrashKit] This version of NMBApp does not support isDataCollectionDefaultEnabled. "
            "Ignoring.");
    return true;
}

}  // namespace reporting
