#pragma once

#include <ucontext.h>

#include <atomic>
#include <cstdint>

#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKSafeMemoryReader.h"
#include "reporting/crash/unwind/CRKCompactUnwind.h"

namespace reporting {

// The stack walker of the crash handler: an unwind context seeded with a thread's saved registers,
// and one operation that steps it to the caller's frame, trying in order the image's compact unwind
// information, its call-frame information, and the frame-pointer chain (with a stack scan for the
// first step), which ends where a saved frame pointer does not climb the stack. It allocates nothing, takes
// no lock and reads the stack only through the guarded reader in the context. x86-64 only.

// Registers of one x86-64 thread, in the order the reports list them.
struct CRKThreadState64 {
    uint64_t rax, rbx, rcx, rdx, rdi, rsi, rbp, rsp;
    uint64_t r8, r9, r10, r11, r12, r13, r14, r15;
    uint64_t rip, rflags, cs, fs, gs;
};

struct CRKExceptionState64 {
    uint16_t trapno;
    uint16_t cpu;
    uint32_t err;
    uint64_t faultvaddr;
};

// A thread's saved machine state. The walk reads and changes only rip, rsp and rbp, and the call-frame
// rules may restore any of the sixteen general registers.
struct CRKMachineContext {
    CRKExceptionState64 es;
    CRKThreadState64 ss;
};

// Fills a machine context from the state the kernel hands a signal handler (or getcontext writes).
bool CRKMachineContextFromUContext(const ucontext_t* ucontext, CRKMachineContext* context);

// Register accessors; each refuses a null context (or one below 4096).
uint64_t CRKMachineContextGetPC(const CRKMachineContext* context);
bool CRKMachineContextSetPC(CRKMachineContext* context, uint64_t value);
uint64_t CRKMachineContextGetSP(const CRKMachineContext* context);
bool CRKMachineContextSetSP(CRKMachineContext* context, uint64_t value);
uint64_t CRKMachineContextGetFP(const CRKMachineContext* context);
bool CRKMachineContextSetFP(CRKMachineContext* context, uint64_t value);

constexpr uint32_t CRKUnwindMaximumFrames = 600000;

// One per thread being walked, owned by the caller and filled in place.
struct CRKUnwindContext {
    CRKMachineContext registers;
    uint32_t frameCount;
    CRKCompactUnwindContext compactUnwindContext;
    uint64_t lastPC;
    uint32_t repeatCount;
    // Whether frame 0's PC is a return address (a state made up at a call, as the recorder does for its
    // own thread) rather than the instruction a thread was stopped at. CRKUnwindInit clears it.
    bool firstPCIsReturnAddress;
    // Frame 0 stood where no code is (below the first page, in no mapping, or in memory that cannot run),
    // with a readable stack: where a call through a null or wild function pointer lands, or a return
    // through a smashed address. Such a walk goes on only from a return address that a call pushed (on
    // x86-64 the word at the stack pointer, right after a call instruction): callReturnAddress, 0 when
    // there is none, and then the walk ends after frame 0.
    bool firstPCIsOutsideCode;
    uint64_t callReturnAddress;
    // The call-frame indexes found still mapped in this walk (the latest few), so that each image's is
    // checked once however the frames go back and forth between images.
    static constexpr int kMappedIndexes = 8;
    uint64_t mappedIndexes[kMappedIndexes];
    uint32_t mappedIndexCount;
    // Whether the PC of the frame produced last is the instruction its thread was interrupted at (the
    // frame below a signal trampoline, whose call-frame entry says so) rather than a return address.
    bool pcIsInterrupted;
    // Every read of the walked memory goes through here; its page cache lives as long as the walk.
    CRKSafeMemoryReader memory;
};

bool CRKUnwindInit(CRKUnwindContext* context, CRKMachineContext registers);
bool CRKUnwindNextFrame(CRKUnwindContext* context);
uint64_t CRKUnwindGetPC(const CRKUnwindContext* context);
uint64_t CRKUnwindGetStackPointer(const CRKUnwindContext* context);
uint32_t CRKUnwindGetRepeatCount(const CRKUnwindContext* context);
// Whether the frame produced last was interrupted where it stood (see pcIsInterrupted), so that its PC is
// to be looked up as it is; frame 0's always is, unless it was made up at a call.
bool CRKUnwindFrameIsInterrupted(const CRKUnwindContext* context);
bool CRKUnwindAddressIsInImage(uint64_t address);
// Scans the words from `start` up to `end` (the first one even when start >= end) for the first that
// points into a loaded image.
bool CRKUnwindFirstExecutableAddress(uint64_t start, uint64_t end, uint64_t* address,
                                     CRKSafeMemoryReader* memory);
uint64_t CRKUnwindCallerStackPointerForFrame(uint64_t frame);

// The strategies of one step.
bool CRKUnwindNextFrameUsingAllStrategies(CRKUnwindContext* context);
bool CRKUnwindWithCompactUnwindInfo(CRKUnwindContext* context, bool* imageFound);
bool CRKUnwindWithCallFrameInfo(CRKUnwindContext* context);
bool CRKUnwindWithFramePointer(CRKUnwindContext* context, bool allowStackScan);

}  // namespace reporting
