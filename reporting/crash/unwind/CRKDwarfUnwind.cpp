#include "reporting/crash/unwind/CRKDwarfUnwind.h"

#include <cstring>

#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKSafeMemoryReader.h"
#include "reporting/crash/unwind/CRKDwarfExpression.h"
#include "reporting/crash/unwind/CRKUnwind.h"

namespace reporting {

namespace {

constexpr uint64_t kLargestPCOffset = 0x7FFFFFFFFFFFFFFFull;

bool readWordGuarded(CRKSafeMemoryReader* memory, uint64_t address, uint64_t* value) {
    return memory ? memory->readUInt64(address, value)
                  : CRKSafeMemoryReader::readUncached(address, value, sizeof(*value));
}

// Whether [address, address + 1) lies addressInside [start, end), compared as numbers.
bool addressInside(const uint8_t* address, const uint8_t* start, const uint8_t* end) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(address);
    return start && end && a >= reinterpret_cast<uintptr_t>(start) && a < reinterpret_cast<uintptr_t>(end);
}

// Skips the ULEB128-prefixed block at the cursor; false when it runs past the end.
bool skipBlock(CRKDwarfCursor* cursor) {
    const uint64_t length = CRKParseULEB128AndAdvance(cursor);
    if (cursor->failed) return false;
    return CRKParseBytesAndAdvance(cursor, length) != nullptr || length == 0;
}

}  // namespace

uint64_t CRKDwarfUnwindGetRegisterValue(const CRKMachineContext* context, uint64_t number) {
    if (!context) return 0;
    const CRKThreadState64& s = context->ss;
    switch (number) {
        case 0:
            return s.rax;
        case 1:
            return s.rdx;
        case 2:
            return s.rcx;
        case 3:
            return s.rbx;
        case 4:
            return s.rsi;
        case 5:
            return s.rdi;
        case 6:
            return s.rbp;
        case 7:
            return s.rsp;
        case 8:
            return s.r8;
        case 9:
            return s.r9;
        case 10:
            return s.r10;
        case 11:
            return s.r11;
        case 12:
            return s.r12;
        case 13:
            return s.r13;
        case 14:
            return s.r14;
        case 15:
            return s.r15;
        case 16:
            return s.rip;
        default:
            CRKUNWINDLOG_WARN("Error: Unrecognized get register number %p\n", CRKLogWord(number));
            return 0;
    }
}

bool CRKDwarfUnwindSetRegisterValue(CRKMachineContext* context, uint64_t number, uint64_t value) {
    if (!context) return false;
    CRKThreadState64& s = context->ss;
    switch (number) {
        case 0:
            s.rax = value;
            return true;
        case 1:
            s.rdx = value;
            return true;
        case 2:
            s.rcx = value;
            return true;
        case 3:
            s.rbx = value;
            return true;
        case 4:
            s.rsi = value;
            return true;
        case 5:
            s.rdi = value;
            return true;
        case 6:
            s.rbp = value;
            return true;
        case 7:
            s.rsp = value;
            return true;
        case 8:
            s.r8 = value;
            return true;
        case 9:
            s.r9 = value;
            return true;
        case 10:
            s.r10 = value;
            return true;
        case 11:
            s.r11 = value;
            return true;
        case 12:
            s.r12 = value;
            return true;
        case 13:
            s.r13 = value;
            return true;
        case 14:
            s.r14 = value;
            return true;
        case 15:
            s.r15 = value;
            return true;
        case 16:
            s.rip = value;
            return true;
        default:
            CRKUNWINDLOG_WARN("Unrecognized set register number %p\n", CRKLogWord(number));
            return false;
    }
}

bool CRKDwarfParseAndProcessAugmentation(CRKDwarfCursor* cursor, CRKDwarfCIERecord* record,
                                         CRKSafeMemoryReader* memory) {
    const char* augmentation = record->augmentation;
    if (!augmentation || augmentation[0] == '\0') return true;
    if (augmentation[0] != 'z') {
        CRKUNWINDLOG_WARN("Error: Unimplemented: augmentation string %s\n", augmentation);
        return false;
    }
    const uint64_t dataLength = CRKParseULEB128AndAdvance(cursor);
    const uint8_t* dataStart = cursor->position;
    if (cursor->failed || !CRKParseBytesAndAdvance(cursor, dataLength)) return false;
    // The entries are read addressInside the augmentation data only.
    CRKDwarfCursor data{dataStart, dataStart + dataLength, false};
    for (const char* letter = augmentation + 1; *letter; letter++) {
        switch (*letter) {
            case 'L':
                record->lsdaEncoding = CRKParseUint8AndAdvance(&data);
                break;
            case 'P': {
                record->personalityEncoding = CRKParseUint8AndAdvance(&data);
                if (data.failed) return false;
                // A walk never calls the personality routine, so an indirect pointer to it is not
                // followed here: that read would cost a system call per frame of every C++ image.
                // The record keeps where the pointer is stored (personalityIsIndirect).
                record->personalityIsIndirect = (record->personalityEncoding & 0x80) != 0;
                record->personality =
                    CRKParseAddressWithEncodingAndAdvance(&data, record->personalityEncoding & 0x7F, memory);
                if (record->personality == CRKDwarfInvalidAddress ||
                    (record->personalityIsIndirect && record->personality == 0)) {
                    CRKUNWINDLOG_WARN("Error: Found an invalid start address\n");
                    return false;
                }
                break;
            }
            case 'R':
                record->pointerEncoding = CRKParseUint8AndAdvance(&data);
                break;
            case 'S':
                record->signalFrame = true;
                break;
            default: {
                const char entry[2] = {*letter, '\0'};
                CRKUNWINDLOG_WARN("Error: Unhandled augmentation string entry %s\n", entry);
                return false;
            }
        }
        if (data.failed) return false;
    }
    return true;
}

bool CRKDwarfParseCIERecord(CRKDwarfCIERecord* record, const uint8_t* address, const uint8_t* sectionStart,
                            const uint8_t* sectionEnd, CRKSafeMemoryReader* memory) {
    if (!record) return false;
    memset(record, 0, sizeof(*record));
    if (!addressInside(address, sectionStart, sectionEnd)) {
        CRKUNWINDLOG_WARN("Error: CIE lies outside its section\n");
        return false;
    }
    CRKDwarfCursor cursor{address, sectionEnd, false};
    const uint64_t length = CRKParseRecordLengthAndAdvance(&cursor);
    if (cursor.failed || length == 0 || length > uint64_t(sectionEnd - cursor.position)) {
        CRKUNWINDLOG_WARN("Error: CIE length invalid\n");
        return false;
    }
    record->length = length;
    CRKDwarfCursor body{cursor.position, cursor.position + length, false};
    if (CRKParseUint32AndAdvance(&body) != 0) CRKUNWINDLOG_WARN("Error: CIE flag not found\n");
    record->version = CRKParseUint8AndAdvance(&body);
    const bool versionSupported = record->version == 1 || record->version == 3;
    if (!versionSupported) {
        CRKUNWINDLOG_WARN("Error: CIE version %u unsupported\n", uint32_t(record->version));
    }
    record->augmentation = CRKParseStringAndAdvance(&body);
    record->codeAlignmentFactor = CRKParseULEB128AndAdvance(&body);
    record->dataAlignmentFactor = CRKParseLEB128AndAdvance(&body);
    if (!versionSupported) {
        CRKUNWINDLOG_WARN("Error: CIE version %u unsupported\n", uint32_t(record->version));
        return false;
    }
    record->returnAddressRegister =
        record->version == 1 ? CRKParseUint8AndAdvance(&body) : CRKParseULEB128AndAdvance(&body);
    if (body.failed) return false;
    if (!CRKDwarfParseAndProcessAugmentation(&body, record, memory) || body.failed) return false;
    record->instructions = body.position;
    record->instructionsLength = uint32_t(body.end - body.position);
    return true;
}

bool CRKDwarfParseFDERecord(CRKDwarfCFIRecord* record, const uint8_t* address, const uint8_t* sectionStart,
                            const uint8_t* sectionEnd, CRKSafeMemoryReader* memory) {
    if (!record) return false;
    memset(record, 0, sizeof(*record));
    record->sectionStart = sectionStart;
    record->sectionEnd = sectionEnd;
    if (!addressInside(address, sectionStart, sectionEnd)) {
        CRKUNWINDLOG_WARN("Error: FDE lies outside its section\n");
        return false;
    }
    CRKDwarfFDERecord& fde = record->fde;
    CRKDwarfCursor cursor{address, sectionEnd, false};
    fde.length = CRKParseRecordLengthAndAdvance(&cursor);
    if (cursor.failed || fde.length == 0) {
        CRKUNWINDLOG_WARN("Error: FDE has zero length\n");
        return false;
    }
    if (fde.length > uint64_t(sectionEnd - cursor.position)) {
        CRKUNWINDLOG_WARN("Error: FDE runs past the end of its section\n");
        return false;
    }
    CRKDwarfCursor body{cursor.position, cursor.position + fde.length, false};
    const uint8_t* ciePointerField = body.position;
    fde.cieOffset = CRKParseUint32AndAdvance(&body);
    if (body.failed || fde.cieOffset == 0) {
        CRKUNWINDLOG_WARN("Error: CIE offset invalid\n");
        return false;
    }
    // The CIE lies that many bytes before the pointer field; refuse an offset that leaves the section
    // before computing the address.
    if (fde.cieOffset > uint64_t(ciePointerField - sectionStart)) {
        CRKUNWINDLOG_WARN("Error: CIE offset invalid\n");
        return false;
    }
    if (!CRKDwarfParseCIERecord(&record->cie, ciePointerField - fde.cieOffset, sectionStart, sectionEnd,
                                memory)) {
        CRKUNWINDLOG_WARN("Error: Unable to parse CIE record\n");
        return false;
    }
    const CRKDwarfCIERecord& cie = record->cie;
    fde.pcBegin = CRKParseAddressWithEncodingAndAdvance(&body, cie.pointerEncoding, memory);
    if (fde.pcBegin == CRKDwarfInvalidAddress) {
        CRKUNWINDLOG_WARN("Error: Found an invalid start address\n");
        return false;
    }
    fde.pcRange = CRKParseAddressWithEncodingAndAdvance(&body, cie.pointerEncoding & 0x0F, memory);
    if (fde.pcRange == CRKDwarfInvalidAddress) {
        CRKUNWINDLOG_WARN("Error: Found an invalid address range\n");
        return false;
    }
    if (cie.augmentation && cie.augmentation[0] == 'z' && !skipBlock(&body)) return false;
    if (body.failed) return false;
    fde.instructions = body.position;
    fde.instructionsLength = uint32_t(body.end - body.position);
    return true;
}

bool CRKDwarfFDEInit(CRKDwarfCFIRecord* record, uint64_t ehFrame, uint64_t ehFrameEnd, uint64_t offset,
                     CRKSafeMemoryReader* memory) {
    if (!record || ehFrame == 0 || offset == 0) return false;
    if (ehFrameEnd <= ehFrame || offset >= ehFrameEnd - ehFrame) {
        CRKUNWINDLOG_WARN("Error: FDE offset lies outside the section\n");
        return false;
    }
    const auto* start = reinterpret_cast<const uint8_t*>(ehFrame);
    const auto* end = reinterpret_cast<const uint8_t*>(ehFrameEnd);
    return CRKDwarfParseFDERecord(record, start + offset, start, end, memory);
}

bool CRKDwarfInstructionsEnumerate(const uint8_t* instructions, uint32_t length, const CRKDwarfCIERecord* cie,
                                   CRKDwarfRegisterState* state, const CRKDwarfRegisterState* initialState,
                                   uint64_t pcOffset, CRKSafeMemoryReader* memory) {
    if ((!instructions && length > 0) || !cie || !state) {
        CRKUNWINDLOG_WARN("Error: inputs invalid\n");
        return false;
    }
    CRKUNWINDLOG_WARN("Running instructions from %p to %p\n", static_cast<const void*>(instructions),
                      static_cast<const void*>(instructions + length));
    // At offset 0 the rules before the first advance still apply: a block split off from its function
    // (a cold path) starts with the frame its function had built.
    if (length == 0) return true;

    // remember_state / restore_state: the compilers and the C library bracket every early return in
    // them, so real tables cannot be read without. The saved rows live here, for this run only.
    CRKDwarfRegisterState remembered[CRKDwarfRememberedStateLimit];
    int rememberedCount = 0;

    CRKDwarfCursor cursor{instructions, instructions + length, false};
    uint64_t location = 0;
    while (cursor.position < cursor.end) {
        const uint8_t opcode = CRKParseUint8AndAdvance(&cursor);
        const uint8_t operand = opcode & 0x3F;
        bool ok = true;
        uint64_t advance = 0;
        bool advances = false;

        if ((opcode & 0xC0) == 0x40) {
            advance = operand;
            advances = true;
            CRKUNWINDLOG_WARN("DW_CFA_advance_loc %u\n", uint32_t(operand));
        } else if ((opcode & 0xC0) == 0x80) {
            const uint64_t offset = CRKParseULEB128AndAdvance(&cursor);
            CRKUNWINDLOG_WARN("DW_CFA_offset %u, %p\n", uint32_t(operand), CRKLogWord(offset));
            if (operand >= CRKDwarfRegisterCount) {
                CRKUNWINDLOG_WARN("Error: Found an invalid DW_CFA_offset register number\n");
                ok = false;
            } else {
                state->registers[operand].kind = CRKDwarfRuleCFAOffset;
                state->registers[operand].value = offset * uint64_t(cie->dataAlignmentFactor);
            }
        } else if ((opcode & 0xC0) == 0xC0) {
            // restore: back to the rule the CIE set up. Epilogues use it after an early return, so
            // it comes with remember_state and restore_state in real tables.
            CRKUNWINDLOG_WARN("DW_CFA_restore %u\n", uint32_t(operand));
            if (operand >= CRKDwarfRegisterCount || !initialState) {
                CRKUNWINDLOG_WARN("Error: Found an invalid DW_CFA_restore register number\n");
                ok = false;
            } else {
                state->registers[operand] = initialState->registers[operand];
            }
        } else {
            switch (opcode) {
                case 0x00:
                    break;
                case 0x01: {
                    const uint64_t address =
                        CRKParseAddressWithEncodingAndAdvance(&cursor, cie->pointerEncoding, memory);
                    CRKUNWINDLOG_WARN("DW_CFA_set_loc %p\n", CRKLogWord(address));
                    if (address == CRKDwarfInvalidAddress) {
                        ok = false;
                    } else if (address > pcOffset) {
                        return !cursor.failed;
                    } else {
                        location = address;
                    }
                    break;
                }
                case 0x02:
                    advance = CRKParseUint8AndAdvance(&cursor);
                    advances = true;
                    CRKUNWINDLOG_WARN("DW_CFA_advance_loc1 %u\n", uint32_t(advance));
                    break;
                case 0x03:
                    advance = CRKParseUint16AndAdvance(&cursor);
                    advances = true;
                    CRKUNWINDLOG_WARN("DW_CFA_advance_loc2 %u\n", uint32_t(advance));
                    break;
                case 0x04:
                    advance = CRKParseUint32AndAdvance(&cursor);
                    advances = true;
                    CRKUNWINDLOG_WARN("DW_CFA_advance_loc4 %u\n", uint32_t(advance));
                    break;
                case 0x08: {
                    const uint64_t reg = CRKParseULEB128AndAdvance(&cursor);
                    CRKUNWINDLOG_WARN("DW_CFA_same_value %p\n", CRKLogWord(reg));
                    if (reg >= CRKDwarfRegisterCount) {
                        CRKUNWINDLOG_WARN("Error: Found an invalid DW_CFA_same_value register number\n");
                        ok = false;
                    } else {
                        state->registers[reg].kind = CRKDwarfRuleNone;
                        state->registers[reg].value = 0;
                    }
                    break;
                }
                case 0x09: {
                    const uint64_t reg = CRKParseULEB128AndAdvance(&cursor);
                    const uint64_t source = CRKParseULEB128AndAdvance(&cursor);
                    CRKUNWINDLOG_WARN("DW_CFA_register %p, %p\n", CRKLogWord(reg), CRKLogWord(source));
                    if (reg >= CRKDwarfRegisterCount) {
                        CRKUNWINDLOG_WARN("Error: Found an invalid DW_CFA_register number\n");
                        ok = false;
                    } else if (source >= CRKDwarfRegisterCount) {
                        CRKUNWINDLOG_WARN("Error: Found an invalid DW_CFA_register value\n");
                        ok = false;
                    } else {
                        state->registers[reg].kind = CRKDwarfRuleRegister;
                        state->registers[reg].value = source;
                    }
                    break;
                }
                case 0x0a:
                    CRKUNWINDLOG_WARN("DW_CFA_remember_state\n");
                    if (rememberedCount >= CRKDwarfRememberedStateLimit) {
                        CRKUNWINDLOG_WARN("Error: DW_CFA_remember_state nested too deeply\n");
                        ok = false;
                    } else {
                        remembered[rememberedCount++] = *state;
                    }
                    break;
                case 0x0b:
                    CRKUNWINDLOG_WARN("DW_CFA_restore_state\n");
                    if (rememberedCount == 0) {
                        CRKUNWINDLOG_WARN("Error: DW_CFA_restore_state without a remembered state\n");
                        ok = false;
                    } else {
                        *state = remembered[--rememberedCount];
                    }
                    break;
                case 0x0c: {
                    const uint64_t reg = CRKParseULEB128AndAdvance(&cursor);
                    const uint64_t offset = CRKParseULEB128AndAdvance(&cursor);
                    CRKUNWINDLOG_WARN("DW_CFA_def_cfa %p, %p\n", CRKLogWord(reg), CRKLogWord(offset));
                    if (reg >= CRKDwarfRegisterCount) {
                        CRKUNWINDLOG_WARN("Error: Found an invalid DW_CFA_def_cfa register number\n");
                        ok = false;
                    } else {
                        state->cfaRegister = reg;
                        state->cfaOffset = offset;
                        state->cfaExpression = nullptr;
                    }
                    break;
                }
                case 0x0d: {
                    const uint64_t reg = CRKParseULEB128AndAdvance(&cursor);
                    CRKUNWINDLOG_WARN("DW_CFA_def_cfa_register %p\n", CRKLogWord(reg));
                    if (reg >= CRKDwarfRegisterCount) {
                        CRKUNWINDLOG_WARN(
                            "Error: Found an invalid DW_CFA_def_cfa_register register "
                            "number\n");
                        ok = false;
                    } else {
                        state->cfaRegister = reg;
                        state->cfaExpression = nullptr;
                    }
                    break;
                }
                case 0x0e:
                    state->cfaOffset = CRKParseULEB128AndAdvance(&cursor);
                    CRKUNWINDLOG_WARN("DW_CFA_def_cfa_offset %p\n", CRKLogWord(state->cfaOffset));
                    break;
                case 0x0f:
                    CRKUNWINDLOG_WARN("DW_CFA_def_cfa_expression\n");
                    state->cfaRegister = CRKDwarfCFAExpressionRegister;
                    state->cfaExpression = cursor.position;
                    ok = skipBlock(&cursor);
                    break;
                case 0x10:
                case 0x16: {
                    const uint64_t reg = CRKParseULEB128AndAdvance(&cursor);
                    CRKUNWINDLOG_WARN("%s %u\n",
                                      opcode == 0x10 ? "DW_CFA_expression" : "DW_CFA_val_expression",
                                      static_cast<unsigned>(reg));
                    if (reg >= CRKDwarfRegisterCount) {
                        if (opcode == 0x10) {
                            CRKUNWINDLOG_WARN("Error: Found an invalid DW_CFA_expression register number\n");
                        } else {
                            CRKUNWINDLOG_WARN(
                                "Error: Found an invalid DW_CFA_val_expression register "
                                "number\n");
                        }
                        ok = false;
                    } else {
                        state->registers[reg].kind =
                            opcode == 0x10 ? CRKDwarfRuleAtExpression : CRKDwarfRuleValueExpression;
                        state->registers[reg].value = reinterpret_cast<uintptr_t>(cursor.position);
                        ok = skipBlock(&cursor);
                    }
                    break;
                }
                case 0x05:
                case 0x06:
                case 0x07:
                case 0x11:
                case 0x12:
                case 0x13:
                case 0x14:
                case 0x15:
                case 0x2d:
                case 0x2e:
                case 0x2f:
                    CRKUNWINDLOG_WARN("Error: Unimplemented DWARF instruction 0x%x\n", uint32_t(opcode));
                    return false;
                default:
                    CRKUNWINDLOG_WARN("Error: Unrecognized DWARF instruction 0x%x\n", uint32_t(opcode));
                    ok = false;
                    break;
            }
        }
        if (cursor.failed) ok = false;
        if (!ok) {
            CRKUNWINDLOG_WARN("Error: Failed to execute dwarf instruction 0x%x\n", uint32_t(opcode));
            return false;
        }
        if (advances) {
            // The rules that follow describe the row starting at the new location; a row that starts
            // past the PC does not apply to it.
            const uint64_t next = location + advance * cie->codeAlignmentFactor;
            if (next > pcOffset || next < location) return true;
            location = next;
        }
    }
    return true;
}

bool CRKDwarfGetCFA(const CRKDwarfRegisterState* state, const CRKMachineContext* registers,
                    CRKSafeMemoryReader* memory, uint64_t* cfa) {
    if (!state || !registers || !cfa) return false;
    if (!state->cfaExpression) {
        if (state->cfaRegister >= CRKDwarfRegisterCount) {
            CRKUNWINDLOG_WARN("Error: failed to get CFA\n");
            return false;
        }
        *cfa = CRKDwarfUnwindGetRegisterValue(registers, state->cfaRegister) + state->cfaOffset;
        return true;
    }
    if (!CRKDwarfEvalulateExpression(state->cfaExpression, registers, 0, cfa, memory)) {
        CRKUNWINDLOG_WARN("Error: failed to compute CFA expression\n");
        CRKUNWINDLOG_WARN("Error: failed to get CFA\n");
        return false;
    }
    return true;
}

uint64_t CRKDwarfGetSavedRegister(const CRKMachineContext* registers, uint64_t cfa, uint32_t kind,
                                  uint64_t value, CRKSafeMemoryReader* memory) {
    CRKUNWINDLOG_WARN("Getting register %x\n", kind);
    uint64_t result = 0;
    switch (kind) {
        case CRKDwarfRuleCFAOffset:
            if (!readWordGuarded(memory, cfa + value, &result)) {
                CRKUNWINDLOG_WARN("Error: Unable to read CFA value\n");
                return 0;
            }
            return result;
        case CRKDwarfRuleOffsetFromCFA:
            CRKUNWINDLOG_WARN("Error: OffsetFromCFA unhandled\n");
            return 0;
        case CRKDwarfRuleRegister:
            return CRKDwarfUnwindGetRegisterValue(registers, value);
        case CRKDwarfRuleAtExpression: {
            uint64_t address = 0;
            if (!CRKDwarfEvalulateExpression(reinterpret_cast<const uint8_t*>(value), registers, cfa,
                                             &address, memory)) {
                CRKUNWINDLOG_WARN("Error: unable to evaluate expression\n");
                return 0;
            }
            if (!readWordGuarded(memory, address, &result)) {
                CRKUNWINDLOG_WARN("Error: Unable to read memory computed from expression\n");
                return 0;
            }
            return result;
        }
        case CRKDwarfRuleValueExpression:
            if (!CRKDwarfEvalulateExpression(reinterpret_cast<const uint8_t*>(value), registers, cfa, &result,
                                             memory)) {
                CRKUNWINDLOG_WARN("Error: unable to evaluate expression\n");
                return 0;
            }
            return result;
        default:
            CRKUNWINDLOG_WARN("Error: Unrecognized register save location 0x%x\n", kind);
            return 0;
    }
}

bool CRKDwarfUnwindAssignRegisters(const CRKDwarfRegisterState* state, CRKUnwindContext* context) {
    if (!state || !context) return false;
    uint64_t cfa = 0;
    if (!CRKDwarfGetCFA(state, &context->registers, &context->memory, &cfa)) return false;
    CRKMachineContext next = context->registers;
    for (uint32_t reg = 0; reg < CRKDwarfRegisterCount; reg++) {
        if (state->registers[reg].kind == CRKDwarfRuleNone) continue;
        const uint64_t value = CRKDwarfGetSavedRegister(&context->registers, cfa, state->registers[reg].kind,
                                                        state->registers[reg].value, &context->memory);
        if (!CRKDwarfUnwindSetRegisterValue(&next, reg, value)) {
            CRKUNWINDLOG_WARN("Error: Unable to restore register value\n");
            return false;
        }
    }
    if (!CRKDwarfUnwindSetRegisterValue(&next, CRKDwarfRegisterRSP, cfa)) {
        CRKUNWINDLOG_WARN("Error: Unable to restore SP value\n");
        return false;
    }
    if (next.ss.rsp == context->registers.ss.rsp) {
        CRKUNWINDLOG_WARN("Error: Stack pointer hasn't changed\n");
        return false;
    }
    if (next.ss.rip == context->registers.ss.rip) {
        CRKUNWINDLOG_WARN("Error: PC hasn't changed\n");
        return false;
    }
    context->registers = next;
    return true;
}

bool CRKDwarfUnwindComputeRegisters(const CRKDwarfCFIRecord* record, CRKUnwindContext* context) {
    if (!record || !context) return false;
    CRKDwarfRegisterState state;
    memset(&state, 0, sizeof(state));
    const CRKDwarfCIERecord& cie = record->cie;
    if (!CRKDwarfInstructionsEnumerate(cie.instructions, cie.instructionsLength, &cie, &state, nullptr,
                                       kLargestPCOffset, &context->memory)) {
        CRKUNWINDLOG_WARN("Error: Unable to run CIE instructions\n");
        return false;
    }
    const CRKDwarfRegisterState initialState = state;
    const uint64_t pc = context->registers.ss.rip;
    if (pc < record->fde.pcBegin) {
        CRKUNWINDLOG_WARN("Error: The FDE pcOffset value cannot be negative\n");
        return false;
    }
    if (!CRKDwarfInstructionsEnumerate(record->fde.instructions, record->fde.instructionsLength, &cie, &state,
                                       &initialState, pc - record->fde.pcBegin, &context->memory)) {
        CRKUNWINDLOG_WARN("Error: Unable to run FDE instructions\n");
        return false;
    }
    if (!CRKDwarfUnwindAssignRegisters(&state, context)) {
        CRKUNWINDLOG_ERROR("Error: Unable to assign DWARF registers\n");
        return false;
    }
    // A signal trampoline's entry says so: the frame it returns to was interrupted where it stood, and
    // its PC is no return address.
    context->pcIsInterrupted = cie.signalFrame;
    return true;
}

uint64_t CRKDwarfFindFDEInHeader(uint64_t header, uint64_t headerEnd, uint64_t pc, uint64_t* ehFrame) {
    if (header < CRKFirstValidAddress || headerEnd <= header) return 0;
    const auto* start = reinterpret_cast<const uint8_t*>(header);
    CRKDwarfCursor cursor{start, reinterpret_cast<const uint8_t*>(headerEnd), false};
    const uint8_t version = CRKParseUint8AndAdvance(&cursor);
    const uint8_t framePointerEncoding = CRKParseUint8AndAdvance(&cursor);
    const uint8_t countEncoding = CRKParseUint8AndAdvance(&cursor);
    const uint8_t tableEncoding = CRKParseUint8AndAdvance(&cursor);
    if (cursor.failed || version != 1) return 0;
    const uint64_t frameSection =
        CRKParseAddressWithEncodingAndAdvance(&cursor, framePointerEncoding, nullptr);
    if (countEncoding == 0xFF || (countEncoding & 0x80) || (framePointerEncoding & 0x80)) return 0;
    const uint64_t count = CRKParseAddressWithEncodingAndAdvance(&cursor, countEncoding, nullptr);
    // The sorted table the linkers write: pairs of 4-byte values relative to the header.
    constexpr uint8_t kDataRelativeSigned4 = 0x3B;
    if (cursor.failed || frameSection == CRKDwarfInvalidAddress || count == CRKDwarfInvalidAddress ||
        count == 0 || tableEncoding != kDataRelativeSigned4) {
        return 0;
    }
    const uint8_t* table = cursor.position;
    if (count > uint64_t(cursor.end - table) / 8) return 0;

    auto entry = [&](uint64_t index, int32_t* location, int32_t* fde) {
        memcpy(location, table + index * 8, 4);
        memcpy(fde, table + index * 8 + 4, 4);
    };
    // The last entry whose function starts at or before the PC.
    uint64_t low = 0;
    uint64_t high = count;
    while (low < high) {
        const uint64_t mid = low + (high - low) / 2;
        int32_t location = 0;
        int32_t fde = 0;
        entry(mid, &location, &fde);
        if (header + uint64_t(int64_t(location)) <= pc) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    if (low == 0) return 0;
    int32_t location = 0;
    int32_t fde = 0;
    entry(low - 1, &location, &fde);
    if (ehFrame) *ehFrame = frameSection;
    return header + uint64_t(int64_t(fde));
}

}  // namespace reporting
