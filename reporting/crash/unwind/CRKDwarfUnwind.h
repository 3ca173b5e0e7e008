#pragma once

#include <cstddef>
#include <cstdint>

#include "reporting/crash/image/CRKDwarfCursor.h"
#include "reporting/crash/unwind/CRKUnwind.h"

namespace reporting {

class CRKSafeMemoryReader;

// The DWARF call-frame unwinder: parses an FDE and its CIE from an image's call-frame section, runs
// their instructions up to the PC, evaluates the rules and produces the caller's registers. It runs in
// the crash handler: no allocation, no locks, every record on the caller's stack.
//
// The section bytes are read in place, but never past the section's end: every record is parsed
// through a bounded cursor, so a corrupt length, offset or CIE pointer ends the step instead of
// reading outside the image. Saved registers and every address an expression computes are read
// through the guarded reader.

constexpr uint32_t CRKDwarfRegisterCount = 17;  // DWARF x86-64 numbers 0-16; 16 is the return address
constexpr uint64_t CRKDwarfRegisterRIP = 16;
constexpr uint64_t CRKDwarfRegisterRSP = 7;
// The CFA register that marks a CFA given by an expression.
constexpr uint64_t CRKDwarfCFAExpressionRegister = 17;

struct CRKDwarfCIERecord {
    uint64_t length;
    uint8_t version;
    uint8_t pointerEncoding;
    uint8_t lsdaEncoding;
    uint8_t personalityEncoding;
    const char* augmentation;
    // The personality routine, or for an indirect encoding the address of the pointer to it.
    uint64_t personality;
    bool personalityIsIndirect;
    uint64_t codeAlignmentFactor;
    int64_t dataAlignmentFactor;
    uint64_t returnAddressRegister;
    bool signalFrame;
    uint32_t instructionsLength;
    const uint8_t* instructions;
};

struct CRKDwarfFDERecord {
    uint64_t length;
    uint32_t cieOffset;
    uint64_t pcBegin;
    uint64_t pcRange;
    uint32_t instructionsLength;
    const uint8_t* instructions;
};

// A parsed FDE with its CIE (CIE first), and the section both were read from.
struct CRKDwarfCFIRecord {
    CRKDwarfCIERecord cie;
    CRKDwarfFDERecord fde;
    const uint8_t* sectionStart;
    const uint8_t* sectionEnd;
};

enum CRKDwarfRuleKind : uint32_t {
    CRKDwarfRuleNone = 0,             // the register keeps its value
    CRKDwarfRuleCFAOffset = 1,        // saved at CFA + value
    CRKDwarfRuleOffsetFromCFA = 2,    // value is CFA + value (never produced)
    CRKDwarfRuleRegister = 3,         // in register `value`
    CRKDwarfRuleAtExpression = 4,     // saved at the address the expression at `value` computes
    CRKDwarfRuleValueExpression = 5,  // the value the expression at `value` computes
};

struct CRKDwarfRegisterState {
    uint64_t cfaRegister;
    uint64_t cfaOffset;
    const uint8_t* cfaExpression;  // points at the expression's length prefix, or null
    struct {
        uint32_t kind;
        uint64_t value;
    } registers[CRKDwarfRegisterCount];
};

// How deep remember_state may nest within one instruction run.
constexpr int CRKDwarfRememberedStateLimit = 8;

// Register access by DWARF number on a machine context.
uint64_t CRKDwarfUnwindGetRegisterValue(const CRKMachineContext* context, uint64_t number);
bool CRKDwarfUnwindSetRegisterValue(CRKMachineContext* context, uint64_t number, uint64_t value);

// Parses the CIE at `address`, which must lie inside [sectionStart, sectionEnd).
bool CRKDwarfParseCIERecord(CRKDwarfCIERecord* record, const uint8_t* address, const uint8_t* sectionStart,
                            const uint8_t* sectionEnd, CRKSafeMemoryReader* memory);
bool CRKDwarfParseAndProcessAugmentation(CRKDwarfCursor* cursor, CRKDwarfCIERecord* record,
                                         CRKSafeMemoryReader* memory);
// Parses the FDE at `address` and the CIE it names into `record`.
bool CRKDwarfParseFDERecord(CRKDwarfCFIRecord* record, const uint8_t* address, const uint8_t* sectionStart,
                            const uint8_t* sectionEnd, CRKSafeMemoryReader* memory);
// The FDE at ehFrame + offset of the call-frame section [ehFrame, ehFrameEnd); false when any of
// record, ehFrame or offset is 0, or the offset lies outside the section.
bool CRKDwarfFDEInit(CRKDwarfCFIRecord* record, uint64_t ehFrame, uint64_t ehFrameEnd, uint64_t offset,
                     CRKSafeMemoryReader* memory);

// Runs call-frame instructions on `state` until they end or the location passes `pcOffset`.
// `initialState` holds the rules after the CIE's instructions, for restore (null while running the
// CIE's own instructions).
bool CRKDwarfInstructionsEnumerate(const uint8_t* instructions, uint32_t length, const CRKDwarfCIERecord* cie,
                                   CRKDwarfRegisterState* state, const CRKDwarfRegisterState* initialState,
                                   uint64_t pcOffset, CRKSafeMemoryReader* memory);

bool CRKDwarfGetCFA(const CRKDwarfRegisterState* state, const CRKMachineContext* registers,
                    CRKSafeMemoryReader* memory, uint64_t* cfa);
uint64_t CRKDwarfGetSavedRegister(const CRKMachineContext* registers, uint64_t cfa, uint32_t kind,
                                  uint64_t value, CRKSafeMemoryReader* memory);
bool CRKDwarfUnwindAssignRegisters(const CRKDwarfRegisterState* state, CRKUnwindContext* context);

// Computes the caller's registers into the unwind context; true on success. The context keeps its
// registers unless the whole step succeeds.
bool CRKDwarfUnwindComputeRegisters(const CRKDwarfCFIRecord* record, CRKUnwindContext* context);

// The index this system's images carry beside their call-frame section (.eh_frame_hdr): finds the
// FDE whose range may hold `pc` by binary search of the header's sorted table. The header must lie in
// [header, headerEnd). Answers the FDE's address, or 0. Only the table encoding the linkers write
// (4-byte signed values relative to the header) is read.
uint64_t CRKDwarfFindFDEInHeader(uint64_t header, uint64_t headerEnd, uint64_t pc, uint64_t* ehFrame);

}  // namespace reporting
