#include "reporting/crash/capture/CRKHandler.h"

#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKHost.h"
#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

void CRKHandler(CRKFile* file, uint64_t crashedThread, const void* machineContext) {
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    if (!readonly) return;
    if (readonly->hooks.recordProcess) readonly->hooks.recordProcess(file, crashedThread, machineContext);
    CRKHostRecordStorage(file);
    if (readonly->crashCallbackTarget) {
        CRKSDKLOG_WARN("Performing syncrhonous crash callback - hold onto your butts\n");
        readonly->crashCallbackTarget->deliverCrashDelegateCallback();
    }
}

void CRKHandlerAttemptImmediateDelivery() {
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    if (readonly && readonly->deliveryDelegate)
        readonly->deliveryDelegate->potentiallySubmittableCrashOccurred();
}

}  // namespace reporting
