#pragma once

#include <signal.h>

#include <cstdint>
#include <functional>

#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKFile.h"

namespace reporting {

// Signal capture. Handlers for the seven crash signals run on an alternate stack, record the crash
// ("signal" and the crash-time chain) into the signal file, put back whatever was installed before
// and let the crash go on: a fault returns and happens again into the previous handler or the default
// action; a signal that was sent (or SIGTRAP, SIGSYS, SIGABRT) is raised again.
//
// Records number signals as the reports expect (SIGBUS 10, SIGSYS 12; the other five agree with this
// system), so the name tables below are indexed by that number, not by this system's.
//
// When several threads crash at once, the first one records; a thread that faults while it does waits
// (bounded, then exits with status 1) instead of killing the process under the recorder. A fault on the
// recording thread itself, or one after the recording thread has finished, exits with status 1.

constexpr int CRKSignalHandledCount = 7;

// The record number of one of this system's signals, and back (0 when not a handled signal).
uint32_t CRKSignalRecordNumber(int signal);
int CRKSignalFromRecordNumber(uint32_t number);

// Start-up: removes an old signal file, installs the seven handlers (saving what was there, never the
// kit's own handler) and the thread-suspension handler. True when every handler went in.
bool CRKSignalInitialize(CRKSignalState* state);
// The calling thread's alternate stack: the context's signal stack, unless the thread has one already,
// which is kept. The previous stack is saved in the state.
bool CRKSignalInstallThreadStack(CRKReadOnlyContext* readonly);
void CRKSignalHandler(int signal, siginfo_t* information, void* machineContext);
void CRKSignalSafeRemoveHandlers(bool includeAbort);
// Every handled signal back to the default, then each saved action back in. The alternate stack is
// left as it is: this system does not change a stack that is in use.
bool CRKSignalSafeInstallPreexistingHandlers(const CRKSignalState* state);
void CRKSignalEnumerateHandledSignals(const std::function<void(int index, int signal)>& block);
// Start-up warnings on standard error for handlers that are not the kit's.
void CRKSignalCheckHandlers();
// By record number.
void CRKSignalNameLookup(uint32_t signal, int code, const char** name, const char** codeName);
uint32_t CRKMachExceptionMaskForSignal(uint32_t signal);

// The "signal" record (information below 4096 counts as absent).
void CRKSignalWriteRecord(CRKFile* file, int signal, const siginfo_t* information, int savedErrno);

// The context's debugger flag.
bool CRKContextDebuggerAttachedFlag();

// Tests: forget which thread recorded.
void CRKSignalResetForTesting();

}  // namespace reporting
