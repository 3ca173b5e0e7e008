#include "reporting/crash/unwind/CRKCompactUnwind.h"

#include <cstring>

#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKSafeMemoryReader.h"
#include "reporting/crash/unwind/CRKDwarfUnwind.h"
#include "reporting/crash/unwind/CRKUnwind.h"

namespace reporting {

namespace {

constexpr uint32_t kIndexEntrySize = 12;

template <typename T>
bool readUnwindValue(CRKUnwindContext* unwind, uint64_t address, T* value) {
    return unwind->memory.read(address, value, sizeof(T));
}

struct IndexEntry {
    uint32_t functionOffset;
    uint32_t secondLevelPagesSectionOffset;
    uint32_t lsdaIndexArraySectionOffset;
};

bool readIndexEntry(const CRKCompactUnwindContext* context, CRKUnwindContext* unwind, uint32_t index,
                    IndexEntry* entry) {
    const uint64_t address =
        context->unwindInfo + context->unwindHeader.indexSectionOffset + uint64_t(index) * kIndexEntrySize;
    return unwind->memory.read(address, entry, sizeof(*entry));
}

}  // namespace

bool CRKCompactUnwindInit(CRKCompactUnwindContext* context, uint64_t unwindInfo, uint64_t ehFrame,
                          uint64_t ehFrameEnd, uint64_t loadAddress) {
    if (!CRKValidPointer(context)) {
        CRKUNWINDLOG_WARN("Error: invalid context passed to compact unwind init");
        return false;
    }
    if (unwindInfo < CRKFirstValidAddress) {
        CRKUNWINDLOG_WARN("Error: invalid unwind info passed to compact unwind init");
        return false;
    }
    if (loadAddress < CRKFirstValidAddress) {
        CRKUNWINDLOG_WARN("Error: invalid load address passed to compact unwind init");
        return false;
    }
    memset(context, 0, sizeof(*context));
    if (!CRKSafeMemoryReader::readUncached(unwindInfo, &context->unwindHeader,
                                           sizeof(context->unwindHeader))) {
        CRKUNWINDLOG_WARN("Error: could not read memory contents of unwindInfo\n");
        return false;
    }
    if (context->unwindHeader.version != 1) {
        CRKUNWINDLOG_WARN("Error: bad unwind_info structure version (%d != %d)\n",
                          int32_t(context->unwindHeader.version), 1);
        return false;
    }
    context->unwindInfo = unwindInfo;
    context->ehFrame = ehFrame;
    context->ehFrameEnd = ehFrameEnd;
    context->loadAddress = loadAddress;
    return true;
}

bool CRKCompactUnwindLookup(CRKCompactUnwindContext* context, CRKUnwindContext* unwind, uint64_t pc,
                            CRKCompactUnwindResult* result) {
    if (!CRKValidPointer(context) || !CRKValidPointer(unwind) || !result) return false;
    const uint32_t count = context->unwindHeader.indexCount;
    if (count < 2 || pc < context->loadAddress) return false;
    const uint64_t offset = pc - context->loadAddress;
    bool found = false;
    IndexEntry current;
    IndexEntry next;
    for (uint32_t i = 0; i + 1 < count; i++) {
        if (!readIndexEntry(context, unwind, i, &current) || !readIndexEntry(context, unwind, i + 1, &next))
            break;
        if (current.functionOffset <= offset && offset < next.functionOffset) {
            found = true;
            break;
        }
    }
    if (!found) {
        CRKUNWINDLOG_WARN("Unable to find pc in first level\n");
        return false;
    }
    context->firstLevelEntry.functionOffset = current.functionOffset;
    context->firstLevelEntry.secondLevelPagesSectionOffset = current.secondLevelPagesSectionOffset;
    context->firstLevelEntry.lsdaIndexArraySectionOffset = current.lsdaIndexArraySectionOffset;
    context->firstLevelNextFunctionOffset = next.functionOffset;
    CRKUNWINDLOG_DEBUG("Found first level (second => %u)\n", current.secondLevelPagesSectionOffset);
    if (!CRKCompactUnwindLookupSecondLevel(context, unwind, pc, result)) {
        CRKUNWINDLOG_INFO("Second-level PC lookup failed\n");
        return false;
    }
    return true;
}

bool CRKCompactUnwindLookupSecondLevel(CRKCompactUnwindContext* context, CRKUnwindContext* unwind,
                                       uint64_t pc, CRKCompactUnwindResult* result) {
    uint32_t kind = 0;
    if (!readUnwindValue(unwind, context->unwindInfo + context->firstLevelEntry.secondLevelPagesSectionOffset,
                         &kind)) {
        return false;
    }
    switch (kind) {
        case CRKCompactUnwindSecondLevelCompressed:
            CRKUNWINDLOG_INFO("Found a second level compressed header\n");
            return CRKCompactUnwindLookupSecondLevelCompressed(context, unwind, pc, result);
        case CRKCompactUnwindSecondLevelRegular:
            CRKUNWINDLOG_INFO("Found a second level regular header\n");
            return CRKCompactUnwindLookupSecondLevelRegular(context, pc, result);
        default:
            CRKUNWINDLOG_ERROR("Unrecognized header kind - unable to continue\n");
            return false;
    }
}

bool CRKCompactUnwindLookupSecondLevelRegular(CRKCompactUnwindContext*, uint64_t, CRKCompactUnwindResult*) {
    // Linkers write compressed pages for code; regular pages are not read.
    CRKUNWINDLOG_WARN("Encountered a regular second-level page\n");
    return false;
}

uint64_t CRKCompactUnwindGetTargetAddress(const CRKCompactUnwindContext* context, uint64_t pc) {
    const uint64_t functionBase = context->loadAddress + context->firstLevelEntry.functionOffset;
    if (pc <= functionBase) {
        CRKUNWINDLOG_WARN("Error: PC is invalid\n");
        return 0;
    }
    return pc - functionBase;
}

bool CRKCompactUnwindLookupSecondLevelCompressed(CRKCompactUnwindContext* context, CRKUnwindContext* unwind,
                                                 uint64_t pc, CRKCompactUnwindResult* result) {
    const uint64_t page = context->unwindInfo + context->firstLevelEntry.secondLevelPagesSectionOffset;
    struct {
        uint32_t kind;
        uint16_t entryPageOffset;
        uint16_t entryCount;
        uint16_t encodingsPageOffset;
        uint16_t encodingsCount;
    } header;
    if (!unwind->memory.read(page, &header, sizeof(header))) return false;
    const uint64_t target = CRKCompactUnwindGetTargetAddress(context, pc);
    auto entryAt = [&](uint32_t index, uint32_t* entry) {
        return readUnwindValue(unwind, page + header.entryPageOffset + uint64_t(index) * 4, entry);
    };

    bool found = false;
    uint32_t foundIndex = 0;
    uint32_t entry = 0;
    if (target != 0 && header.entryCount != 0) {
        uint32_t low = 0;
        uint32_t high = header.entryCount;
        while (low < high) {
            const uint32_t mid = (low + high) / 2;
            if (!entryAt(mid, &entry)) return false;
            if ((entry & 0x00FFFFFF) > target) {
                high = mid;
                continue;
            }
            uint32_t following = 0;
            if (mid == uint32_t(header.entryCount - 1)) {
                found = true;
            } else {
                if (!entryAt(mid + 1, &following)) return false;
                found = (following & 0x00FFFFFF) > target;
            }
            if (found) {
                foundIndex = mid;
                break;
            }
            low = mid + 1;
        }
    }
    if (!found) {
        CRKUNWINDLOG_INFO("Unable to find PC in second level\n");
        return false;
    }
    const uint32_t functionOffset = context->firstLevelEntry.functionOffset;
    result->functionStart = context->loadAddress + functionOffset + (entry & 0x00FFFFFF);
    if (foundIndex + 1 < header.entryCount) {
        uint32_t following = 0;
        if (!entryAt(foundIndex + 1, &following)) return false;
        result->functionEnd = context->loadAddress + uint32_t((following & 0x00FFFFFF) + functionOffset);
    } else {
        result->functionEnd = context->loadAddress + context->firstLevelNextFunctionOffset;
    }
    if (pc < result->functionStart || pc >= result->functionEnd) {
        CRKUNWINDLOG_WARN("PC does not match computed function range\n");
        return false;
    }
    const uint32_t encodingIndex = entry >> 24;
    const uint32_t commonCount = context->unwindHeader.commonEncodingsArrayCount;
    uint64_t encodingAddress = 0;
    if (encodingIndex < commonCount) {
        encodingAddress = context->unwindInfo + context->unwindHeader.commonEncodingsArraySectionOffset +
                          uint64_t(encodingIndex) * 4;
    } else {
        encodingAddress = page + header.encodingsPageOffset + uint64_t(encodingIndex - commonCount) * 4;
    }
    if (!readUnwindValue(unwind, encodingAddress, &result->encoding)) return false;
    if (result->encoding == 0) {
        CRKUNWINDLOG_INFO("Entry has has no unwind info\n");
        return false;
    }
    return true;
}

bool CRKCompactUnwindLookupAndCompute(CRKCompactUnwindContext* context, CRKUnwindContext* unwind) {
    if (!CRKValidPointer(context) || !CRKValidPointer(unwind)) return false;
    const uint64_t pc = CRKMachineContextGetPC(&unwind->registers);
    if (pc < context->loadAddress) return false;
    CRKCompactUnwindResult result;
    memset(&result, 0, sizeof(result));
    if (!CRKCompactUnwindLookup(context, unwind, pc, &result)) {
        CRKUNWINDLOG_INFO("Unable to lookup compact unwind for pc %p\n", CRKLogWord(pc));
        return false;
    }
    if (!CRKCompactUnwindComputeRegisters(context, &result, unwind)) {
        CRKUNWINDLOG_ERROR("Failed to compute registers\n");
        return false;
    }
    return true;
}

bool CRKCompactUnwindComputeRegisters(CRKCompactUnwindContext* context, const CRKCompactUnwindResult* result,
                                      CRKUnwindContext* unwind) {
    if (!CRKValidPointer(context) || !CRKValidPointer(result) || !CRKValidPointer(unwind)) {
        CRKUNWINDLOG_ERROR("invalid inputs\n");
        return false;
    }
    CRKUNWINDLOG_DEBUG("Computing registers for encoding %x\n", result->encoding);
    switch (result->encoding & CRKCompactUnwindModeMask) {
        case CRKCompactUnwindModeBPFrame:
            return CRKCompactUnwindBPFrame(unwind);
        case CRKCompactUnwindModeFrameless:
            return CRKCompactUnwindFrameless(result->encoding, unwind, result->functionStart, false);
        case CRKCompactUnwindModeFramelessIndirect:
            return CRKCompactUnwindFrameless(result->encoding, unwind, result->functionStart, true);
        case CRKCompactUnwindModeDwarf:
            return CRKCompactUnwindDwarfFrame(
                context, result->encoding & CRKCompactUnwindDwarfSectionOffsetMask, unwind);
        default:
            CRKUNWINDLOG_ERROR("Invalid encoding %x\n", result->encoding);
            return false;
    }
}

bool CRKCompactUnwindBPFrame(CRKUnwindContext* unwind) {
    if (!CRKValidPointer(unwind)) return false;
    const uint64_t fp = CRKMachineContextGetFP(&unwind->registers);
    uint64_t frame[2] = {0, 0};  // saved FP, return address
    if (!unwind->memory.read(fp, frame, sizeof(frame))) {
        CRKUNWINDLOG_WARN("Error: failed to read memory at address %p\n", CRKLogWord(fp));
        return false;
    }
    uint64_t savedFP = frame[0];
    // The stack grows down: a caller's frame record lies above its callee's, and a saved frame pointer of
    // 0 ends the chain. One that stays where it was read or goes back is no frame pointer: the chain has
    // left the stack (it may run round a linked structure in the heap, to the walk's limit), and it ends
    // here. The return address beside it is still kept when it lies in code, as it does where a function
    // that keeps no frame pointer (and uses rbp for its own values) called this one: that caller's own
    // unwind rules may take the walk on, but its rbp is never followed.
    if (savedFP != 0 && savedFP <= fp) {
        CRKUNWINDLOG_WARN("Error: saved frame pointer %p at %p does not climb the stack\n",
                          CRKLogWord(savedFP), CRKLogWord(fp));
        if (!CRKUnwindAddressIsInImage(frame[1])) return false;
        savedFP = 0;
    }
    CRKMachineContextSetPC(&unwind->registers, frame[1]);
    CRKMachineContextSetFP(&unwind->registers, savedFP);
    CRKMachineContextSetSP(&unwind->registers, fp + 16);
    return true;
}

bool CRKCompactUnwindComputeStackSize(uint32_t encoding, uint64_t functionStart, bool indirect,
                                      CRKUnwindContext* unwind, uint32_t* stackSize) {
    const uint32_t size = (encoding >> 16) & 0xFF;
    if (!indirect) {
        *stackSize = size * 8;
        return true;
    }
    uint32_t subl = 0;
    if (!readUnwindValue(unwind, functionStart + size, &subl)) {
        CRKUNWINDLOG_WARN("Error: unable to read subl value\n");
        return false;
    }
    *stackSize = subl + ((encoding >> 13) & 7) * 8;
    return true;
}

bool CRKCompactUnwindDecompressPermutation(uint32_t encoding, uint32_t permutation[6]) {
    const uint32_t count = (encoding >> 10) & 7;
    uint32_t p = encoding & 0x3FF;
    for (int i = 0; i < 6; i++) permutation[i] = 0;
    switch (count) {
        case 0:
            break;
        case 1:
            permutation[0] = p;
            break;
        case 2:
            permutation[0] = p / 5;
            permutation[1] = p % 5;
            break;
        case 3:
            permutation[0] = p / 20;
            permutation[1] = (p % 20) / 4;
            permutation[2] = p % 4;
            break;
        case 4:
            permutation[0] = p / 60;
            permutation[1] = (p % 60) / 12;
            permutation[2] = (p % 60 % 12) / 3;
            permutation[3] = p % 60 % 12 % 3;
            break;
        case 5:
        case 6:
            permutation[0] = p / 120;
            permutation[1] = (p % 120) / 24;
            permutation[2] = (p % 120 % 24) / 6;
            permutation[3] = (p % 120 % 24 % 6) / 2;
            permutation[4] = p % 2;
            break;
        default:
            CRKUNWINDLOG_WARN("Error: unhandled number of register permutations for encoding %x\n", encoding);
            return false;
    }
    return true;
}

bool CRKCompactUnwindRemapRegisters(uint32_t encoding, const uint32_t permutation[6], uint32_t registers[6]) {
    const uint32_t count = (encoding >> 10) & 7;
    if (count > 6) {
        CRKUNWINDLOG_WARN("Error: invalid register number count %d\n", int32_t(count));
        return false;
    }
    bool used[7] = {false, false, false, false, false, false, false};
    for (int i = 0; i < 6; i++) registers[i] = CRKCompactUnwindRegisterNone;
    for (uint32_t i = 0; i < count; i++) {
        uint32_t unused = 0;
        for (uint32_t reg = 1; reg <= 6; reg++) {
            if (used[reg]) continue;
            if (unused == permutation[i]) {
                registers[i] = reg;
                used[reg] = true;
                break;
            }
            unused++;
        }
    }
    return true;
}

bool CRKCompactUnwindRestoreRegisters(uint32_t encoding, const uint32_t registers[6], uint32_t stackSize,
                                      CRKUnwindContext* unwind) {
    const uint32_t count = (encoding >> 10) & 7;
    uint64_t location =
        CRKMachineContextGetSP(&unwind->registers) + stackSize - 8 - 8 * uint64_t(count > 6 ? 6 : count);
    for (uint32_t i = 0; i < count && i < 6; i++, location += 8) {
        if (registers[i] != CRKCompactUnwindRegisterRBP) {
            CRKUNWINDLOG_WARN("Error: skipping a restore of register %d at %p\n", int32_t(registers[i]),
                              CRKLogWord(location));
            continue;
        }
        uint64_t value = 0;
        if (!unwind->memory.readUInt64(location, &value)) {
            CRKUNWINDLOG_WARN("Error: unable to read memory to set register\n");
            return false;
        }
        if (!CRKMachineContextSetFP(&unwind->registers, value)) {
            CRKUNWINDLOG_WARN("Error: unable to set FP\n");
            return false;
        }
    }
    return true;
}

bool CRKCompactUnwindFrameless(uint32_t encoding, CRKUnwindContext* unwind, uint64_t functionStart,
                               bool indirect) {
    CRKUNWINDLOG_WARN("Frameless unwind encountered with encoding %x\n", encoding);
    uint32_t stackSize = 0;
    if (!CRKCompactUnwindComputeStackSize(encoding, functionStart, indirect, unwind, &stackSize)) {
        CRKUNWINDLOG_WARN("Error: unable to compute stack size for encoding %x\n", encoding);
        return false;
    }
    uint32_t permutation[6];
    if (!CRKCompactUnwindDecompressPermutation(encoding, permutation)) {
        CRKUNWINDLOG_WARN("Error: unable to decompress registers %x\n", encoding);
        return false;
    }
    uint32_t registers[6];
    if (!CRKCompactUnwindRemapRegisters(encoding, permutation, registers)) {
        CRKUNWINDLOG_WARN("Error: unable to remap registers %x\n", encoding);
        return false;
    }
    if (!CRKCompactUnwindRestoreRegisters(encoding, registers, stackSize, unwind)) {
        CRKUNWINDLOG_WARN("Error: unable to restore registers\n");
        return false;
    }
    const uint64_t sp = CRKMachineContextGetSP(&unwind->registers);
    const uint64_t location = sp + stackSize - 8;
    CRKUNWINDLOG_WARN("SP is %p and we are reading %p\n", CRKLogWord(sp), CRKLogWord(location));
    uint64_t pc = 0;
    if (!unwind->memory.readUInt64(location, &pc)) {
        CRKUNWINDLOG_WARN("Error: unable to read memory to set register\n");
        return false;
    }
    CRKUNWINDLOG_WARN("Read PC to be %p\n", CRKLogWord(pc));
    if (pc < CRKFirstValidAddress) {
        CRKUNWINDLOG_WARN("Error: computed PC is invalid\n");
        return false;
    }
    CRKMachineContextSetPC(&unwind->registers, pc);
    CRKMachineContextSetSP(&unwind->registers, location + 8);
    return true;
}

bool CRKCompactUnwindDwarfFrame(CRKCompactUnwindContext* context, uint32_t fdeOffset,
                                CRKUnwindContext* unwind) {
    CRKUNWINDLOG_INFO("Trying to read dwarf data with offset %x\n", fdeOffset);
    CRKDwarfCFIRecord record;
    if (!CRKDwarfFDEInit(&record, context->ehFrame, context->ehFrameEnd, fdeOffset, &unwind->memory)) {
        CRKUNWINDLOG_ERROR("Unable to init FDE\n");
        return false;
    }
    if (!CRKDwarfUnwindComputeRegisters(&record, unwind)) {
        CRKUNWINDLOG_ERROR("Failed to compute DWARF registers\n");
        return false;
    }
    return true;
}

}  // namespace reporting
