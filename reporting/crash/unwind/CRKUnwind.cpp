#include "reporting/crash/unwind/CRKUnwind.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKSafeMemoryReader.h"
#include "reporting/crash/image/CRKBinaryImage.h"
#include "reporting/crash/unwind/CRKDwarfUnwind.h"

namespace reporting {

bool CRKMachineContextFromUContext(const ucontext_t* ucontext, CRKMachineContext* context) {
    if (!CRKValidPointer(ucontext) || !CRKValidPointer(context)) return false;
    const greg_t* g = ucontext->uc_mcontext.gregs;
    CRKThreadState64& s = context->ss;
    s.rax = uint64_t(g[REG_RAX]);
    s.rbx = uint64_t(g[REG_RBX]);
    s.rcx = uint64_t(g[REG_RCX]);
    s.rdx = uint64_t(g[REG_RDX]);
    s.rdi = uint64_t(g[REG_RDI]);
    s.rsi = uint64_t(g[REG_RSI]);
    s.rbp = uint64_t(g[REG_RBP]);
    s.rsp = uint64_t(g[REG_RSP]);
    s.r8 = uint64_t(g[REG_R8]);
    s.r9 = uint64_t(g[REG_R9]);
    s.r10 = uint64_t(g[REG_R10]);
    s.r11 = uint64_t(g[REG_R11]);
    s.r12 = uint64_t(g[REG_R12]);
    s.r13 = uint64_t(g[REG_R13]);
    s.r14 = uint64_t(g[REG_R14]);
    s.r15 = uint64_t(g[REG_R15]);
    s.rip = uint64_t(g[REG_RIP]);
    s.rflags = uint64_t(g[REG_EFL]);
    // cs, gs and fs share one word: three 16-bit selectors and padding.
    const uint64_t selectors = uint64_t(g[REG_CSGSFS]);
    s.cs = selectors & 0xFFFF;
    s.gs = (selectors >> 16) & 0xFFFF;
    s.fs = (selectors >> 32) & 0xFFFF;
    context->es.trapno = uint16_t(g[REG_TRAPNO]);
    context->es.cpu = 0;
    context->es.err = uint32_t(g[REG_ERR]);
    context->es.faultvaddr = uint64_t(g[REG_CR2]);
    return true;
}

uint64_t CRKMachineContextGetPC(const CRKMachineContext* context) {
    return CRKValidPointer(context) ? context->ss.rip : 0;
}
bool CRKMachineContextSetPC(CRKMachineContext* context, uint64_t value) {
    if (!CRKValidPointer(context)) return false;
    context->ss.rip = value;
    return true;
}
uint64_t CRKMachineContextGetSP(const CRKMachineContext* context) {
    return CRKValidPointer(context) ? context->ss.rsp : 0;
}
bool CRKMachineContextSetSP(CRKMachineContext* context, uint64_t value) {
    if (!CRKValidPointer(context)) return false;
    context->ss.rsp = value;
    return true;
}
uint64_t CRKMachineContextGetFP(const CRKMachineContext* context) {
    return CRKValidPointer(context) ? context->ss.rbp : 0;
}
bool CRKMachineContextSetFP(CRKMachineContext* context, uint64_t value) {
    if (!CRKValidPointer(context)) return false;
    context->ss.rbp = value;
    return true;
}

bool CRKUnwindInit(CRKUnwindContext* context, CRKMachineContext registers) {
    if (!context) return false;
    const CRKContext& kit = CRKSharedContext();
    gCRKUnwindLogging.store(kit.readonly && kit.writable && kit.readonly->logPath, std::memory_order_relaxed);
    context->registers = registers;
    context->frameCount = 0;
    memset(&context->compactUnwindContext, 0, sizeof(context->compactUnwindContext));
    context->lastPC = 0;
    context->repeatCount = 0;
    context->firstPCIsReturnAddress = false;
    context->firstPCIsOutsideCode = false;
    context->callReturnAddress = 0;
    context->mappedIndexCount = 0;
    context->pcIsInterrupted = false;
    context->memory.reset();
    return true;
}

uint64_t CRKUnwindGetPC(const CRKUnwindContext* context) {
    return CRKValidPointer(context) ? CRKMachineContextGetPC(&context->registers) : 0;
}

uint64_t CRKUnwindGetStackPointer(const CRKUnwindContext* context) {
    return CRKValidPointer(context) ? CRKMachineContextGetSP(&context->registers) : 0;
}

uint32_t CRKUnwindGetRepeatCount(const CRKUnwindContext* context) {
    return CRKValidPointer(context) ? context->repeatCount : 0;
}

bool CRKUnwindFrameIsInterrupted(const CRKUnwindContext* context) {
    return CRKValidPointer(context) && context->pcIsInterrupted;
}

bool CRKUnwindAddressIsInImage(uint64_t address) {
    CRKBinaryImageSlot slot;
    return CRKBinaryImageSafeFindImageForAddress(address, &slot);
}

uint64_t CRKUnwindCallerStackPointerForFrame(uint64_t frame) {
    return frame + 16;
}

namespace {

// The scan proper: also answers where the word was found.
bool firstExecutableAddress(uint64_t start, uint64_t end, uint64_t* address, uint64_t* location,
                            CRKSafeMemoryReader* memory) {
    if (!address) return false;
    *address = 0;
    uint64_t cursor = start;
    do {
        if (cursor >= CRKFirstValidAddress) {
            uint64_t word = 0;
            const bool read = memory ? memory->readUInt64(cursor, &word)
                                     : CRKSafeMemoryReader::readUncached(cursor, &word, sizeof(word));
            if (!read) return false;
            CRKUNWINDLOG_DEBUG("Checking address %p => %p\n", CRKLogWord(cursor), CRKLogWord(word));
            CRKUNWINDLOG_DEBUG("Checking for executable %p\n", CRKLogWord(word));
            if (CRKUnwindAddressIsInImage(word)) {
                *address = word;
                if (location) *location = cursor;
                return true;
            }
        }
        if (cursor + 8 < cursor) break;
        cursor += 8;
    } while (cursor < end);
    return false;
}

}  // namespace

bool CRKUnwindFirstExecutableAddress(uint64_t start, uint64_t end, uint64_t* address,
                                     CRKSafeMemoryReader* memory) {
    return firstExecutableAddress(start, end, address, nullptr, memory);
}

bool CRKUnwindWithFramePointer(CRKUnwindContext* context, bool allowStackScan) {
    if (!CRKValidPointer(context)) return false;
    if (allowStackScan) {
        CRKUNWINDLOG_INFO("Attempting stack scan\n");
        uint64_t word = 0;
        uint64_t location = 0;
        if (firstExecutableAddress(CRKMachineContextGetSP(&context->registers),
                                   CRKMachineContextGetFP(&context->registers), &word, &location,
                                   &context->memory)) {
            CRKMachineContextSetPC(&context->registers, word);
            // The word is a return address: the caller's stack starts just above it. A caller walked
            // by its call-frame rules needs that stack pointer; the frame pointer stays as it was.
            CRKMachineContextSetSP(&context->registers, location + 8);
            CRKUNWINDLOG_INFO("Stack scan successful\n");
            return true;
        }
    }
    return CRKCompactUnwindBPFrame(context);
}

namespace {

// The two table-driven strategies on an image already looked up, so that one step scans the image
// table once.
bool compactUnwindStep(CRKUnwindContext* context, const CRKBinaryImageSlot& image,
                       const CRKBinaryImageUnwindSections& sections) {
    CRKUNWINDLOG_DEBUG("Binary image for %p at %p\n", CRKLogWord(CRKMachineContextGetPC(&context->registers)),
                       CRKLogWord(image.base));
    if (!CRKBinaryImageHasCompactUnwindInfo(&image)) {
        CRKUNWINDLOG_INFO("Binary image at %p has no unwind info\n", CRKLogWord(image.base));
        return false;
    }
    if (!CRKCompactUnwindInit(&context->compactUnwindContext, image.unwindInfo, image.ehFrame,
                              sections.ehFrameEnd, image.base)) {
        CRKUNWINDLOG_ERROR("Unable to read unwind info\n");
        return false;
    }
    return CRKCompactUnwindLookupAndCompute(&context->compactUnwindContext, context);
}

// An image closed since the table last heard of it keeps its slot, though its memory is gone by now, or
// holds something else. Its call-frame index and section are read in place only once a guarded read of
// the index's first words shows them still there, as they were when the image was recorded. (Not through
// the walk's page cache, whose few pages are the stack's.)
bool callFrameIndexIsMapped(CRKUnwindContext* context, const CRKBinaryImageUnwindSections& sections) {
    for (uint32_t i = 0; i < context->mappedIndexCount && i < CRKUnwindContext::kMappedIndexes; i++) {
        if (context->mappedIndexes[i] == sections.ehFrameHeader) return true;
    }
    uint8_t prefix[8];
    if (!CRKSafeMemoryReader::readUncached(sections.ehFrameHeader, prefix, sizeof prefix) || prefix[0] != 1)
        return false;
    // The encoding the linkers write names the section 4 bytes wide, relative to where that is stored.
    constexpr uint8_t kRelativeSigned4 = 0x1B;
    int32_t offset = 0;
    memcpy(&offset, prefix + 4, sizeof offset);
    if (prefix[1] == kRelativeSigned4 &&
        sections.ehFrameHeader + 4 + uint64_t(int64_t(offset)) != sections.ehFrame)
        return false;
    context->mappedIndexes[context->mappedIndexCount++ % CRKUnwindContext::kMappedIndexes] =
        sections.ehFrameHeader;
    return true;
}

bool callFrameStep(CRKUnwindContext* context, const CRKBinaryImageSlot& image,
                   const CRKBinaryImageUnwindSections& sections) {
    const uint64_t pc = CRKMachineContextGetPC(&context->registers);
    if (sections.ehFrameHeader < CRKFirstValidAddress || sections.ehFrame < CRKFirstValidAddress) {
        CRKUNWINDLOG_INFO("Binary image at %p has no call-frame index\n", CRKLogWord(image.base));
        return false;
    }
    if (!callFrameIndexIsMapped(context, sections)) {
        CRKUNWINDLOG_WARN("Binary image at %p is no longer mapped\n", CRKLogWord(image.base));
        return false;
    }
    const uint64_t fde =
        CRKDwarfFindFDEInHeader(sections.ehFrameHeader, sections.ehFrameHeaderEnd, pc, nullptr);
    if (fde < sections.ehFrame || fde >= sections.ehFrameEnd) {
        CRKUNWINDLOG_INFO("No call-frame entry for %p\n", CRKLogWord(pc));
        return false;
    }
    CRKDwarfCFIRecord record;
    if (!CRKDwarfFDEInit(&record, sections.ehFrame, sections.ehFrameEnd, fde - sections.ehFrame,
                         &context->memory)) {
        CRKUNWINDLOG_ERROR("Unable to init FDE\n");
        return false;
    }
    // The index answers the nearest function at or below the PC; the PC may still lie in a gap after it.
    if (pc - record.fde.pcBegin >= record.fde.pcRange) {
        CRKUNWINDLOG_INFO("No call-frame entry for %p\n", CRKLogWord(pc));
        return false;
    }
    if (!CRKDwarfUnwindComputeRegisters(&record, context)) {
        CRKUNWINDLOG_ERROR("Failed to compute DWARF registers\n");
        return false;
    }
    return true;
}

bool findImage(CRKUnwindContext* context, CRKBinaryImageSlot* image, CRKBinaryImageUnwindSections* sections) {
    const uint64_t pc = CRKMachineContextGetPC(&context->registers);
    if (CRKBinaryImageSafeFindUnwindSectionsForAddress(pc, image, sections)) return true;
    CRKUNWINDLOG_WARN("Unable to find binary for %p\n", CRKLogWord(pc));
    return false;
}

}  // namespace

bool CRKUnwindWithCompactUnwindInfo(CRKUnwindContext* context, bool* imageFound) {
    CRKBinaryImageSlot image;
    CRKBinaryImageUnwindSections sections;
    const bool found = findImage(context, &image, &sections);
    if (imageFound) *imageFound = found;
    return found && compactUnwindStep(context, image, sections);
}

bool CRKUnwindWithCallFrameInfo(CRKUnwindContext* context) {
    CRKBinaryImageSlot image;
    CRKBinaryImageUnwindSections sections;
    return findImage(context, &image, &sections) && callFrameStep(context, image, sections);
}

bool CRKUnwindNextFrameUsingAllStrategies(CRKUnwindContext* context) {
    CRKBinaryImageSlot image;
    CRKBinaryImageUnwindSections sections;
    if (findImage(context, &image, &sections)) {
        if (compactUnwindStep(context, image, sections)) return true;
        // The images of this system describe their frames in call-frame sections instead.
        if (callFrameStep(context, image, sections)) return true;
    }
    if (CRKMachineContextGetFP(&context->registers) == 0) {
        CRKUNWINDLOG_WARN("FP is zero, aborting unwind\n");
        CRKMachineContextSetPC(&context->registers, 0);
        return true;
    }
    if (!CRKUnwindWithFramePointer(context, context->frameCount == 1)) {
        CRKUNWINDLOG_ERROR("Unable to use frame pointer\n");
        return false;
    }
    return true;
}

namespace {

// Whether the bytes just before `returnAddress` are a call that pushed it: call rel32 (E8), or call r/m64
// (FF /2) in any of its forms: through a register, or through memory addressed by a register, a SIB
// byte, an 8- or 32-bit displacement, or RIP-relative. A prefix before the opcode does not move where
// the call ends. Read through the walk's guarded reader.
bool followsACall(CRKSafeMemoryReader* memory, uint64_t returnAddress) {
    uint8_t before[8];
    if (returnAddress < CRKFirstValidAddress + sizeof before ||
        !memory->read(returnAddress - sizeof before, before, sizeof before))
        return false;
    if (before[sizeof before - 5] == 0xE8) return true;
    for (size_t length = 2; length <= 7; length++) {
        const uint8_t* call = before + sizeof before - length;
        const uint8_t modrm = call[1];
        if (call[0] != 0xFF || ((modrm >> 3) & 7) != 2) continue;
        const uint8_t mode = modrm >> 6;
        const uint8_t operand = modrm & 7;
        size_t expected = 2;
        if (mode != 3) {
            if (operand == 4) {
                if (length < 3) continue;
                expected += 1;
                if (mode == 0 && (call[2] & 7) == 5) expected += 4;
            }
            if (mode == 0 && operand == 5) expected += 4;
            if (mode == 1) expected += 1;
            if (mode == 2) expected += 4;
        }
        if (expected == length) return true;
    }
    return false;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// Whether the process's mapping list (/proc/self/maps) puts `address` in a mapping that may run code;
// `known` is false when the list cannot be read. Streamed a chunk at a time: no allocation.
bool inExecutableMapping(uint64_t address, bool* known) {
    *known = false;
    const int descriptor = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    // Each line: "start-end perms ...", both addresses in hex.
    enum { Start, End, Permissions, Rest } field = Start;
    uint64_t low = 0;
    uint64_t high = 0;
    int permission = 0;
    bool found = false;
    bool executable = false;
    char chunk[1024];
    while (!found) {
        const ssize_t got = read(descriptor, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            *known = got == 0;
            break;
        }
        for (ssize_t i = 0; i < got && !found; i++) {
            const char c = chunk[i];
            if (c == '\n') {
                field = Start;
                low = high = 0;
                permission = 0;
            } else if (field == Start) {
                if (c == '-')
                    field = End;
                else
                    low = low * 16 + uint64_t(hexDigitValue(c));
            } else if (field == End) {
                if (c == ' ')
                    field = Permissions;
                else
                    high = high * 16 + uint64_t(hexDigitValue(c));
            } else if (field == Permissions) {
                if (permission == 2) executable = c == 'x';
                if (++permission == 4) {
                    field = Rest;
                    found = address >= low && address < high;
                }
            }
        }
    }
    close(descriptor);
    if (found) *known = true;
    return found && executable;
}

// Whether frame 0's PC can be code: readable, and in an image or in a mapping that may run code. Only a
// PC outside every image costs a reading of the mapping list; one the list cannot place is taken as no
// code.
bool pcMayBeCode(uint64_t pc) {
    uint8_t instruction = 0;
    if (pc < CRKFirstValidAddress || !CRKSafeMemoryReader::readUncached(pc, &instruction, 1)) return false;
    if (CRKUnwindAddressIsInImage(pc)) return true;
    bool known = false;
    return inExecutableMapping(pc, &known) && known;
}

// A thread stopped where no code is got there by a call through a null or wild function pointer (the
// commonest crash of all), by a jump, or by a return through a smashed address. Only a call leaves a
// return address at the stack pointer, and one is taken for it only where it lies in a loaded image
// right after a call instruction: a pointer to a function or to data left on the stack is none, and
// would make up callers that never ran.
uint64_t returnAddressPushedByACall(CRKUnwindContext* context, uint64_t word) {
    return CRKUnwindAddressIsInImage(word) && followsACall(&context->memory, word) ? word : 0;
}

}  // namespace

bool CRKUnwindNextFrame(CRKUnwindContext* context) {
    if (!CRKValidPointer(context)) {
        CRKUNWINDLOG_WARN("Error: invalid inputs\n");
        return false;
    }
    uint64_t pc = CRKMachineContextGetPC(&context->registers);
    uint64_t sp = CRKMachineContextGetSP(&context->registers);
    // Frame 0 where no code is, with a readable stack: reported as the PC it stood on, and the walk goes
    // on only from the return address a call pushed.
    uint64_t topWord = 0;
    const bool outsideCode = context->frameCount == 0 && sp >= CRKFirstValidAddress &&
                             context->memory.readUInt64(sp, &topWord) && !pcMayBeCode(pc);
    if (outsideCode) {
        context->firstPCIsOutsideCode = true;
        context->callReturnAddress = returnAddressPushedByACall(context, topWord);
    }
    const bool afterOutsideCode = context->frameCount == 1 && context->firstPCIsOutsideCode;
    if (afterOutsideCode && context->callReturnAddress == 0) {
        CRKUNWINDLOG_WARN("Error: thread PC/SP invalid before unwind\n");
        return false;
    }
    if (!outsideCode && !afterOutsideCode && (pc < CRKFirstValidAddress || sp < CRKFirstValidAddress)) {
        if (context->frameCount == 0) {
            CRKUNWINDLOG_WARN("Cancelling unwind for thread with invalid PC/SP\n");
        } else {
            CRKUNWINDLOG_WARN("Error: thread PC/SP invalid before unwind\n");
        }
        return false;
    }
    bool advanced = true;
    const bool interrupted = context->pcIsInterrupted;
    context->pcIsInterrupted = false;
    if (context->frameCount >= CRKUnwindMaximumFrames) {
        CRKUNWINDLOG_WARN("Exceeded maximum number of frames\n");
        advanced = false;
    } else if (afterOutsideCode) {
        // The function that made the call, where its call returns to, with the stack above that address.
        CRKMachineContextSetPC(&context->registers, context->callReturnAddress);
        CRKMachineContextSetSP(&context->registers, sp + 8);
        context->callReturnAddress = 0;
    } else if (context->frameCount != 0) {
        // A return address follows its call, which may be the last instruction of its function (a call
        // that never returns): the caller's rules are looked up from inside the call. The PC a thread
        // was stopped at is the instruction itself, whose own rules apply, even on a function's first
        // byte or where a push has just started a new row of the call-frame table; so is the PC of a
        // frame a signal interrupted, below the signal's trampoline.
        if ((context->frameCount > 1 || context->firstPCIsReturnAddress) && !interrupted) pc -= 1;
        if (!CRKMachineContextSetPC(&context->registers, pc)) {
            CRKUNWINDLOG_ERROR("Unable to set PC\n");
            advanced = false;
        } else if (pc < CRKFirstValidAddress) {
            CRKUNWINDLOG_ERROR("PC is invalid\n");
            advanced = false;
        } else {
            advanced = CRKUnwindNextFrameUsingAllStrategies(context);
        }
    }
    if (!advanced) {
        CRKUNWINDLOG_ERROR("Failed to advance to the next frame\n");
        return false;
    }
    pc = CRKMachineContextGetPC(&context->registers);
    sp = CRKMachineContextGetSP(&context->registers);
    // A frame 0 outside code is reported as the PC it stood on, even below the first page.
    if (pc < CRKFirstValidAddress && !outsideCode) return false;
    if (sp < CRKFirstValidAddress) {
        CRKUNWINDLOG_WARN("Error: SP (%p) isn't a valid pointer\n", CRKLogWord(sp));
        return false;
    }
    context->repeatCount = pc == context->lastPC ? context->repeatCount + 1 : 0;
    context->frameCount += 1;
    context->lastPC = pc;
    return true;
}

}  // namespace reporting
