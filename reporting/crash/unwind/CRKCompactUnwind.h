#pragma once

#include <cstdint>

namespace reporting {

struct CRKUnwindContext;

// The compact unwind format: a two-level index over an image's functions, each with a 32-bit
// encoding of how to find its caller. The images this system loads carry call-frame sections only,
// but the walker reads the compact form wherever an image provides it, and an in-memory image built
// with one is unwound the same way.
//
// The section header is copied with a guarded read; index entries, pages and encodings are read
// through the walk's guarded reader as well, so an offset that points outside the section fails the
// lookup instead of faulting.

struct CRKCompactUnwindSectionHeader {
    uint32_t version;
    uint32_t commonEncodingsArraySectionOffset;
    uint32_t commonEncodingsArrayCount;
    uint32_t personalityArraySectionOffset;
    uint32_t personalityArrayCount;
    uint32_t indexSectionOffset;
    uint32_t indexCount;
};
static_assert(sizeof(CRKCompactUnwindSectionHeader) == 28);

struct CRKCompactUnwindContext {
    uint64_t unwindInfo;
    uint64_t ehFrame;
    uint64_t ehFrameEnd;  // end of the call-frame section (for mode 4 encodings)
    uint64_t loadAddress;
    CRKCompactUnwindSectionHeader unwindHeader;
    struct {
        uint32_t functionOffset;
        uint32_t secondLevelPagesSectionOffset;
        uint32_t lsdaIndexArraySectionOffset;
    } firstLevelEntry;
    uint32_t firstLevelNextFunctionOffset;
};

struct CRKCompactUnwindResult {
    uint32_t encoding;
    uint64_t functionStart;
    uint64_t functionEnd;
};

// Encoding fields of x86-64.
constexpr uint32_t CRKCompactUnwindModeMask = 0x0F000000;
constexpr uint32_t CRKCompactUnwindModeBPFrame = 0x01000000;
constexpr uint32_t CRKCompactUnwindModeFrameless = 0x02000000;
constexpr uint32_t CRKCompactUnwindModeFramelessIndirect = 0x03000000;
constexpr uint32_t CRKCompactUnwindModeDwarf = 0x04000000;
constexpr uint32_t CRKCompactUnwindDwarfSectionOffsetMask = 0x00FFFFFF;
constexpr uint32_t CRKCompactUnwindSecondLevelRegular = 2;
constexpr uint32_t CRKCompactUnwindSecondLevelCompressed = 3;

// Register numbers of the frameless encoding (0 is none).
enum CRKCompactUnwindRegister : uint32_t {
    CRKCompactUnwindRegisterNone = 0,
    CRKCompactUnwindRegisterRBX = 1,
    CRKCompactUnwindRegisterR12 = 2,
    CRKCompactUnwindRegisterR13 = 3,
    CRKCompactUnwindRegisterR14 = 4,
    CRKCompactUnwindRegisterR15 = 5,
    CRKCompactUnwindRegisterRBP = 6,
};

bool CRKCompactUnwindInit(CRKCompactUnwindContext* context, uint64_t unwindInfo, uint64_t ehFrame,
                          uint64_t ehFrameEnd, uint64_t loadAddress);
bool CRKCompactUnwindLookup(CRKCompactUnwindContext* context, CRKUnwindContext* unwind, uint64_t pc,
                            CRKCompactUnwindResult* result);
bool CRKCompactUnwindLookupSecondLevel(CRKCompactUnwindContext* context, CRKUnwindContext* unwind,
                                       uint64_t pc, CRKCompactUnwindResult* result);
bool CRKCompactUnwindLookupSecondLevelCompressed(CRKCompactUnwindContext* context, CRKUnwindContext* unwind,
                                                 uint64_t pc, CRKCompactUnwindResult* result);
bool CRKCompactUnwindLookupSecondLevelRegular(CRKCompactUnwindContext* context, uint64_t pc,
                                              CRKCompactUnwindResult* result);
uint64_t CRKCompactUnwindGetTargetAddress(const CRKCompactUnwindContext* context, uint64_t pc);
bool CRKCompactUnwindLookupAndCompute(CRKCompactUnwindContext* context, CRKUnwindContext* unwind);
bool CRKCompactUnwindComputeRegisters(CRKCompactUnwindContext* context, const CRKCompactUnwindResult* result,
                                      CRKUnwindContext* unwind);
bool CRKCompactUnwindBPFrame(CRKUnwindContext* unwind);
bool CRKCompactUnwindFrameless(uint32_t encoding, CRKUnwindContext* unwind, uint64_t functionStart,
                               bool indirect);
bool CRKCompactUnwindComputeStackSize(uint32_t encoding, uint64_t functionStart, bool indirect,
                                      CRKUnwindContext* unwind, uint32_t* stackSize);
bool CRKCompactUnwindDecompressPermutation(uint32_t encoding, uint32_t permutation[6]);
bool CRKCompactUnwindRemapRegisters(uint32_t encoding, const uint32_t permutation[6], uint32_t registers[6]);
bool CRKCompactUnwindRestoreRegisters(uint32_t encoding, const uint32_t registers[6], uint32_t stackSize,
                                      CRKUnwindContext* unwind);
bool CRKCompactUnwindDwarfFrame(CRKCompactUnwindContext* context, uint32_t fdeOffset,
                                CRKUnwindContext* unwind);

}  // namespace reporting
