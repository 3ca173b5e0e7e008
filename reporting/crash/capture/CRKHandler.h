#pragma once

#include <cstdint>

#include "reporting/crash/CRKFile.h"

namespace reporting {

// The crash-time chain, after a fatal event's own record has been written into the open file: the
// process records (through the capture hook), then "storage", then the synchronous crash callback when
// the controller asked for one. Async-signal-safe as far as its hooks are.
void CRKHandler(CRKFile* file, uint64_t crashedThread, const void* machineContext);
// Tells the delivery delegate that a report may be ready to send.
void CRKHandlerAttemptImmediateDelivery();

}  // namespace reporting
