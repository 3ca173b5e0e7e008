#pragma once

#include <sys/types.h>
#include <ucontext.h>

#include <cstdint>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/unwind/CRKUnwind.h"

namespace reporting {

// The whole process at the moment of a crash: every thread's registers and stack, names and queue
// labels, and memory and time statistics. It runs on the crashing thread (or the exception server's)
// with every other thread stopped, so it allocates nothing, takes no lock and calls only
// async-signal-safe functions; what it needs beyond its own stack is reserved here, in static storage.
//
// Threads are the task's entries of /proc/self/task, read with getdents64 into a stack buffer. A thread
// is stopped by a real-time signal reserved for the kit: its handler copies the thread's saved
// registers, name and queue label into the thread's preallocated slot, says so through a futex and
// waits on another futex until the recorder lets every thread go. Every wait is bounded: a thread that
// never answers (its signal blocked, or stuck in the kernel) is recorded without registers.

constexpr uint32_t CRKProcessMaximumThreads = 512;

// A thread is named by its kernel thread id.
using CRKThread = pid_t;

struct CRKProcess {
    pid_t task;
    CRKThread currentThread;
    CRKThread crashedThread;
    CRKThread* threads;    // kernel order, in static storage
    uint32_t threadCount;  // 0 when the list could not be read
    const ucontext_t* machineContext;
};

// The real-time signal that stops threads, and its handler's installation (done at start-up, before
// any crash; tests install it themselves).
int CRKProcessSuspendSignal();
bool CRKProcessInstallSuspendHandler();

bool CRKProcessInit(CRKProcess* process, CRKThread crashedThread, const ucontext_t* machineContext);
void CRKProcessDestroy(CRKProcess* process);
// Both try every thread but the current one; false when any did not answer in time.
bool CRKProcessSuspendAllOtherThreads(CRKProcess* process);
bool CRKProcessResumeAllOtherThreads(CRKProcess* process);

// A tracer in /proc/self/status; the text form is the seam the tests use.
bool CRKProcessDebuggerAttached();
bool CRKProcessDebuggerAttachedInStatus(const char* statusText);

bool CRKProcessGetThreadState(const CRKProcess* process, CRKThread thread, CRKMachineContext* context);

// Each thread's hash may carry "interrupted_frames", the kit's own addition to the thread record: the
// indexes of the frames a signal interrupted, whose PCs are to be named where they stand.
void CRKProcessRecordAllThreads(CRKProcess* process, CRKFile* file);
void CRKProcessRecordRuntimeInfo(CRKProcess* process, CRKFile* file);
void CRKProcessRecordDispatchQueueNames(CRKProcess* process, CRKFile* file);
void CRKProcessRecordThreadNames(CRKProcess* process, CRKFile* file);
void CRKProcessRecordStats(CRKProcess* process, CRKFile* file);

bool CRKProcessGetMemoryUsage(uint64_t* active, uint64_t* inactive, uint64_t* wired, uint64_t* freeMemory);
bool CRKProcessGetInfo(CRKProcess* process, uint64_t* virtualSize, uint64_t* residentSize, uint64_t* userTime,
                       uint64_t* systemTime);

// The capture hook of the crash-time chain: init, suspend, the five sections, resume. The machine
// context is a ucontext_t from a signal handler, or null.
void CRKProcessRecord(CRKFile* file, uint64_t crashedThread, const void* machineContext);

// The calling thread's kernel id.
CRKThread CRKProcessCurrentThread();

}  // namespace reporting
