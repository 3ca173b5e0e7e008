#pragma once

#include <cstdint>

#include "platform/mach/Mach.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKFile.h"

namespace reporting {

// The exception-port server: a thread of its own, on the context's preallocated stack, that receives
// exception messages sent to the task's exception ports. For a message about this task it puts back
// the ports and signal handlers that were there before, records "mach_exception" and the crash-time
// chain (the faulting thread named by the message is the crashed one) into its file, and replies
// success; a message about another task gets a failure reply and nothing is written.

// The exception types the server registers for: bad access, bad instruction, arithmetic and breakpoint,
// plus guard from system version 10.7 (1070) on, without the types left to the signal handlers.
uint32_t CRKMachExceptionMask(uint32_t osVersionNumber, uint32_t leaveAloneMask);

// Registers the port and starts the server on the stack. The state is filled here, at start-up.
bool CRKMachExceptionInit(CRKMachState* state, uint32_t leaveAloneMask, const CRKContextStack* stack);
// Puts back the saved ports and clears what is left of the mask.
bool CRKMachExceptionUnregister(const CRKMachState* state, uint32_t mask);
void* CRKMachExceptionServer(void* state);

void CRKMachExceptionNameLookup(int32_t exception, int64_t code, const char** name, const char** codeName);
void CRKMachExceptionWriteRecord(CRKFile* file, const platform::mach::ExceptionRequest* request,
                                 uint32_t originalPorts);

}  // namespace reporting
