#include "reporting/crash/capture/CRKMachException.h"

#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/base/ThreadSignalStack.h"
#include "reporting/crash/CRKHost.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/capture/CRKHandler.h"
#include "reporting/crash/capture/CRKSignal.h"

namespace reporting {

namespace mach = platform::mach;

namespace {

const char* const kBreakpointCodeNames[] = {"EXC_I386_DIVERR",
                                            "EXC_I386_SGLSTP",
                                            "EXC_I386_NMIFLT",
                                            "EXC_I386_BPTFLT",
                                            "EXC_I386_INTOFLT",
                                            "EXC_I386_BOUNDFLT",
                                            "EXC_I386_INVOPFLT",
                                            "EXC_I386_NOEXTFLT",
                                            nullptr,
                                            "EXC_I386_EXTOVRFLT",
                                            "EXC_I386_INVTSSFLT",
                                            "EXC_I386_SEGNPFLT",
                                            "EXC_I386_STKFLT",
                                            "EXC_I386_GPFLT",
                                            "EXC_I386_PGFLT",
                                            nullptr,
                                            "EXC_I386_EXTERRFLT",
                                            "EXC_I386_ALIGNFLT",
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            "EXC_I386_ENOEXTFLT",
                                            "EXC_I386_ENDPERR"};
static_assert(sizeof kBreakpointCodeNames / sizeof kBreakpointCodeNames[0] == 34);

const char* const kArithmeticCodeNames[] = {"EXC_I386_DIV",    "EXC_I386_INTO",     "EXC_I386_NOEXT",
                                            "EXC_I386_EXTOVR", "EXC_I386_EXTERR",   "EXC_I386_EMERR",
                                            "EXC_I386_BOUND",  "EXC_I386_SSEEXTERR"};

void reply(const mach::ExceptionRequest& request, int32_t code) {
    mach::ExceptionReply answer = {};
    answer.header.bits = request.header.bits & mach::kRemoteBitsMask;
    answer.header.size = sizeof answer;
    answer.header.remotePort = request.header.remotePort;
    answer.header.localPort = mach::kNullPort;
    answer.header.id = request.header.id + 100;
    answer.ndr = request.ndr;
    answer.returnCode = code;
    CRKSDKLOG_WARN("Sending exception reply\n");
    const int32_t sent = mach::send(&answer.header, sizeof answer);
    if (sent != mach::kSuccess) {
        CRKSDKLOG_WARN("mach_msg reply failed (%d)\n", sent);
        CRKSDKLOG_WARN("Mach exception server thread exiting\n");
        pthread_exit(nullptr);
    }
    CRKSDKLOG_WARN("Exception reply delivered\n");
}

// Handles one message; answers the reply's return code.
int32_t handle(const CRKMachState* state, const mach::ExceptionRequest& request) {
    if (pid_t(request.task.name) != mach::taskSelf()) {
        CRKSDKLOG_WARN("Mach exception task mis-match, returning failure\n");
        return mach::kFailure;
    }
    CRKSDKLOG_WARN("Unregistering handler\n");
    if (!CRKMachExceptionUnregister(state, state->mask)) {
        CRKSDKLOG_WARN("Failed to unregister\n");
        return mach::kFailure;
    }
    CRKSDKLOG_WARN("Restoring original signal handlers\n");
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    if (!CRKSignalSafeInstallPreexistingHandlers(readonly ? &readonly->signal : nullptr)) {
        CRKSDKLOG_WARN("Failed to restore signal handlers\n");
        return mach::kFailure;
    }
    CRKSDKLOG_WARN("Recording mach exception\n");
    if (CRKContextMarkAndCheckIfCrashed()) {
        CRKSDKLOG_WARN("Error: aborting mach exception handler because crash has already occurred\n");
        _exit(1);
    }
    CRKFile file;
    if (!state->path || !CRKFileInitWithPath(&file, state->path, false)) {
        CRKSDKLOG_WARN("Unable to open mach exception file\n");
        CRKSDKLOG_WARN("Failed to record mach exception\n");
        return mach::kFailure;
    }
    CRKMachExceptionWriteRecord(&file, &request, state->count);
    CRKHandler(&file, uint64_t(request.thread.name), nullptr);
    fdatasync(file.descriptor);
    CRKFileClose(&file);
    return mach::kSuccess;
}

}  // namespace

uint32_t CRKMachExceptionMask(uint32_t osVersionNumber, uint32_t leaveAloneMask) {
    uint32_t mask =
        mach::kMaskBadAccess | mach::kMaskBadInstruction | mach::kMaskArithmetic | mach::kMaskBreakpoint;
    if (osVersionNumber >= 1070) mask |= mach::kMaskGuard;
    return mask & ~leaveAloneMask;
}

void CRKMachExceptionNameLookup(int32_t exception, int64_t code, const char** name, const char** codeName) {
    const char* found = nullptr;
    const char* codeFound = nullptr;
    switch (exception) {
        case 1:
            found = "EXC_BAD_ACCESS";
            if (code == 1) codeFound = "KERN_INVALID_ADDRESS";
            if (code == 2) codeFound = "KERN_PROTECTION_FAILURE";
            break;
        case 2:
            found = "EXC_BAD_INSTRUCTION";
            codeFound = "EXC_I386_INVOP";
            break;
        case 3:
            found = "EXC_ARITHMETIC";
            if (code >= 1 && code <= 8) codeFound = kArithmeticCodeNames[code - 1];
            break;
        case 6:
            found = "EXC_BREAKPOINT";
            if (code >= 0 && code < 34) codeFound = kBreakpointCodeNames[code];
            break;
        case 12:
            found = "EXC_GUARD";
            break;
        default:
            break;
    }
    if (name) *name = found;
    if (codeName) *codeName = codeFound;
}

void CRKMachExceptionWriteRecord(CRKFile* file, const mach::ExceptionRequest* request,
                                 uint32_t originalPorts) {
    const uint32_t count = request->codeCount > 2 ? 2 : request->codeCount;
    const char* name = nullptr;
    const char* codeName = nullptr;
    CRKMachExceptionNameLookup(request->exception, count > 0 ? request->codes[0] : 0, &name, &codeName);
    CRKFileWriteSectionStart(file, "mach_exception");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryUInt64(file, "exception", uint64_t(int64_t(request->exception)));
    CRKFileWriteHashKey(file, "codes");
    CRKFileWriteArrayStart(file);
    for (uint32_t i = 0; i < count; i++) CRKFileWriteArrayEntryUInt64(file, uint64_t(request->codes[i]));
    CRKFileWriteArrayEnd(file);
    CRKFileWriteHashEntryString(file, "name", name);
    CRKFileWriteHashEntryString(file, "code_name", codeName);
    CRKFileWriteHashEntryUInt64(file, "original_ports", originalPorts);
    CRKFileWriteHashEntryUInt64(file, "time", uint64_t(time(nullptr)));
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
}

bool CRKMachExceptionUnregister(const CRKMachState* state, uint32_t mask) {
    if (!state) return false;
    bool ok = true;
    // The registered mask lives in protected memory after start-up: the remainder is kept here.
    uint32_t remaining = mask;
    for (uint32_t i = 0; i < state->count && i < CRKMachExceptionTypeCount; i++) {
        const int32_t result = mach::taskSetExceptionPorts(mach::taskSelf(), state->masks[i], state->ports[i],
                                                           state->behaviors[i], state->flavors[i]);
        if (result != mach::kSuccess) {
            CRKSDKLOG_WARN("unable to restore original port: %d", result);
            ok = false;
        }
        remaining &= ~state->masks[i];
    }
    if (remaining) {
        const int32_t result = mach::taskSetExceptionPorts(mach::taskSelf(), remaining, mach::kNullPort,
                                                           mach::kBehaviorDefault | mach::kExceptionCodes64,
                                                           mach::kThreadStateNone);
        if (result != mach::kSuccess) {
            CRKSDKLOG_WARN("unable to unset unregistered mask: 0x%x", remaining);
            ok = false;
        }
    }
    return ok;
}

void* CRKMachExceptionServer(void* argument) {
    const auto* state = static_cast<const CRKMachState*>(argument);
    // A fault on this thread is still recorded by the signal handler, which needs a stack of its own;
    // given back when the server ends.
    const platform::ThreadSignalStack signalStack;
    // The kernel keeps 15 bytes of a thread's name; the rest of the label is cut.
    const std::string name = std::string(CRKReverseDomainPrefix) + ".crashkit.mac.MachExceptionServer";
    prctl(PR_SET_NAME, name.c_str(), 0, 0, 0);
    for (;;) {
        mach::ExceptionRequest request;
        memset(&request, 0, sizeof request);
        const int32_t received = mach::receive(state->port, &request, sizeof request);
        if (received != mach::kSuccess) {
            CRKSDKLOG_WARN("Error receving mach_msg (%d)\n", received);
            CRKSDKLOG_WARN("Mach exception server thread exiting\n");
            return nullptr;
        }
        CRKSDKLOG_WARN("Accepted mach exception message\n");
        CRKSDKLOG_WARN("Mach exception: 0x%x, count: %d, code: 0x%llx 0x%llx\n", uint32_t(request.exception),
                       int(request.codeCount), request.codeCount > 0 ? (long long)request.codes[0] : -1LL,
                       request.codeCount > 1 ? (long long)request.codes[1] : -1LL);
        reply(request, handle(state, request));
    }
}

bool CRKMachExceptionInit(CRKMachState* state, uint32_t leaveAloneMask, const CRKContextStack* stack) {
    if (!state || !stack) return false;
    if (state->path && !CRKUnlinkIfExists(state->path)) {
        CRKSDKLOG_WARN("Unable to reset the mach exception file %s\n", CRKErrorText(errno));
    }
    int32_t result = mach::portAllocate(&state->port);
    if (result != mach::kSuccess) {
        CRKSDKLOG_WARN("Error: mach_port_allocate failed %d\n", result);
        CRKSDKLOG_WARN("Unable to register mach exception handler\n");
        return false;
    }
    result = mach::portInsertSendRight(state->port);
    if (result != mach::kSuccess) {
        CRKSDKLOG_WARN("Error: mach_port_insert_right failed %d\n", result);
        mach::portDestroy(state->port);
        CRKSDKLOG_WARN("Unable to register mach exception handler\n");
        return false;
    }
    state->leaveAloneMask = leaveAloneMask;
    state->mask = CRKMachExceptionMask(CRKHostOSVersionNumber(), leaveAloneMask);
    mach::ExceptionPorts previous = {};
    result = mach::taskSwapExceptionPorts(mach::taskSelf(), state->mask, state->port,
                                          mach::kBehaviorDefault | mach::kExceptionCodes64,
                                          mach::kThreadStateNone, &previous);
    if (result != mach::kSuccess) {
        CRKSDKLOG_WARN("Error: task_swap_exception_ports %d\n", result);
        CRKSDKLOG_WARN("Unable to register mach exception handler\n");
        return false;
    }
    state->count = previous.count;
    for (uint32_t i = 0; i < previous.count; i++) {
        state->masks[i] = previous.masks[i];
        state->ports[i] = previous.ports[i];
        state->behaviors[i] = previous.behaviors[i];
        state->flavors[i] = previous.flavors[i];
        CRKSDKLOG_WARN("original 0x%x 0x%x 0x%x 0x%x\n", previous.ports[i], previous.masks[i],
                       uint32_t(previous.behaviors[i]), uint32_t(previous.flavors[i]));
    }

    pthread_attr_t attributes;
    int error = pthread_attr_init(&attributes);
    if (error != 0) {
        CRKSDKLOG_WARN("pthread_attr_init %s\n", CRKErrorText(error));
    } else if ((error = pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED)) != 0) {
        CRKSDKLOG_WARN("pthread_attr_setdetachstate %s\n", CRKErrorText(error));
    } else if ((error = pthread_attr_setstack(&attributes, stack->start, stack->size)) != 0) {
        CRKSDKLOG_WARN("pthread_attr_setstack %s\n", CRKErrorText(error));
    } else if ((error = pthread_create(&state->thread, &attributes, CRKMachExceptionServer, state)) != 0) {
        CRKSDKLOG_WARN("pthread_create %s\n", CRKErrorText(error));
    }
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        CRKSDKLOG_WARN("Unable to start thread\n");
        CRKMachExceptionUnregister(state, state->mask);
        return false;
    }
    return true;
}

}  // namespace reporting
