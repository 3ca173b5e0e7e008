#include "reporting/crash/capture/CRKCapture.h"

#include "reporting/crash/capture/CRKException.h"
#include "reporting/crash/capture/CRKMachException.h"
#include "reporting/crash/capture/CRKProcess.h"
#include "reporting/crash/capture/CRKSignal.h"
#include "reporting/crash/capture/CRKUserLogging.h"
#include "reporting/crash/image/CRKBinaryImage.h"

namespace reporting {

CRKContextHooks CRKCaptureHooks() {
    CRKContextHooks hooks;
    hooks.startUserLogging = CRKUserLoggingInit;
    hooks.startBinaryImages = CRKBinaryImageInit;
    hooks.stopBinaryImagesForTesting = CRKBinaryImageResetForTesting;
    hooks.installThreadSignalStack = [](CRKReadOnlyContext* readonly) {
        CRKSignalInstallThreadStack(readonly);
    };
    hooks.installSignalHandlers = [](CRKReadOnlyContext* readonly) {
        return CRKSignalInitialize(&readonly->signal);
    };
    hooks.installMachExceptionServer = [](CRKReadOnlyContext* readonly) {
        return CRKMachExceptionInit(&readonly->mach, readonly->mach.leaveAloneMask, &readonly->machStack);
    };
    hooks.installExceptionHandlers = CRKExceptionInitialize;
    hooks.debuggerAttached = CRKProcessDebuggerAttached;
    hooks.recordExecutable = CRKBinaryImageRecordMainExecutable;
    hooks.recordProcess = CRKProcessRecord;
    return hooks;
}

}  // namespace reporting
