#pragma once

#include "reporting/crash/CRKContext.h"

namespace reporting {

// The capture pieces as the context's hooks: user logging, binary images, the calling thread's
// alternate stack, signal handlers, the exception-port server, the exception handlers, the debugger
// check, the executable record and the crash-time process records. The controller installs them with
// CRKContextSetHooks before it starts the context.
CRKContextHooks CRKCaptureHooks();

}  // namespace reporting
