#include "reporting/crash/unwind/CRKDwarfExpression.h"

#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKSafeMemoryReader.h"
#include "reporting/crash/unwind/CRKDwarfUnwind.h"
#include "reporting/crash/unwind/CRKUnwind.h"

namespace reporting {

namespace {

// A ULEB128 length prefix is read over at most this many bytes (the readers stop after eight).
constexpr size_t kLengthPrefixLimit = 16;

bool stackDamaged(const CRKDwarfExpressionMachine* machine) {
    return machine->top < 0 || machine->top > CRKDwarfExpressionStackSize;
}

bool push(CRKDwarfExpressionMachine* machine, uint64_t value) {
    if (stackDamaged(machine) || machine->top >= CRKDwarfExpressionStackSize) {
        machine->top = -1;
        return false;
    }
    machine->stack[machine->top++] = value;
    return true;
}

bool pop(CRKDwarfExpressionMachine* machine, uint64_t* value) {
    if (stackDamaged(machine) || machine->top == 0) {
        machine->top = -1;
        return false;
    }
    *value = machine->stack[--machine->top];
    return true;
}

bool peek(CRKDwarfExpressionMachine* machine, uint64_t* value) {
    if (stackDamaged(machine) || machine->top == 0) {
        machine->top = -1;
        return false;
    }
    *value = machine->stack[machine->top - 1];
    return true;
}

}  // namespace

bool CRKDwarfExpressionMachinePrepareForExecution(CRKDwarfExpressionMachine* machine,
                                                  const uint8_t* expression,
                                                  const CRKMachineContext* registers, uint64_t initialValue,
                                                  CRKSafeMemoryReader* memory) {
    if (!machine || reinterpret_cast<uintptr_t>(expression) < CRKFirstValidAddress) return false;
    CRKDwarfCursor cursor{expression, expression + kLengthPrefixLimit, false};
    const uint64_t length = CRKParseULEB128AndAdvance(&cursor);
    if (cursor.failed) return false;
    if (length == 0) {
        CRKUNWINDLOG_WARN("Error: DWARF expression length is zero\n");
        return false;
    }
    machine->position = cursor.position;
    machine->end = cursor.position + length;
    machine->registers = registers;
    machine->memory = memory;
    machine->top = 0;
    push(machine, initialValue);
    return true;
}

bool CRKDwarfExpressionMachineIsFinished(const CRKDwarfExpressionMachine* machine) {
    if (!machine || !machine->position || !machine->end || machine->position > machine->end) {
        CRKUNWINDLOG_WARN("Error: DWARF machine pointers invalid\n");
        return true;
    }
    if (stackDamaged(machine)) {
        CRKUNWINDLOG_WARN("Error: DWARF machine stack invalid\n");
        return true;
    }
    return machine->position >= machine->end;
}

bool CRKDwarfExpressionMachineExecuteNextOpcode(CRKDwarfExpressionMachine* machine) {
    if (!machine || stackDamaged(machine) || machine->position >= machine->end) return false;
    CRKDwarfCursor operands{machine->position, machine->end, false};
    const uint8_t opcode = CRKParseUint8AndAdvance(&operands);
    uint64_t a = 0;
    uint64_t b = 0;
    bool ok = true;

    if (opcode >= 0x30 && opcode <= 0x4f) {
        CRKUNWINDLOG_WARN("DW_OP_lit%u\n", uint32_t(opcode - 0x30));
        ok = push(machine, opcode - 0x30);
    } else if (opcode >= 0x70 && opcode <= 0x80) {
        const int64_t offset = CRKParseLEB128AndAdvance(&operands);
        if (operands.failed) return false;
        CRKUNWINDLOG_WARN("DW_OP_breg %u\n", uint32_t(opcode - 0x70));
        a = CRKDwarfUnwindGetRegisterValue(machine->registers, opcode - 0x70);
        ok = push(machine, a + uint64_t(offset));
    } else if (opcode >= 0x81 && opcode <= 0x8f) {
        CRKUNWINDLOG_WARN("Error: DW_OP_breg invalid register number\n");
        return false;
    } else {
        switch (opcode) {
            case 0x06:  // deref
                CRKUNWINDLOG_WARN("DW_OP_deref\n");
                if (!pop(machine, &a)) return false;
                if (!machine->memory ? !CRKSafeMemoryReader::readUncached(a, &b, sizeof(b))
                                     : !machine->memory->readUInt64(a, &b)) {
                    CRKUNWINDLOG_WARN("Error: DW_OP_deref failed to read memory\n");
                    return false;
                }
                ok = push(machine, b);
                break;
            case 0x12:  // dup
                CRKUNWINDLOG_WARN("DW_OP_dup\n");
                ok = peek(machine, &a) && push(machine, a);
                break;
            case 0x16:  // swap
                CRKUNWINDLOG_WARN("DW_OP_swap\n");
                ok = pop(machine, &a) && pop(machine, &b) && push(machine, a) && push(machine, b);
                break;
            case 0x1a:  // and
                CRKUNWINDLOG_WARN("DW_OP_plus_and\n");
                ok = pop(machine, &a) && pop(machine, &b) && push(machine, a & b);
                break;
            case 0x22:  // plus
                CRKUNWINDLOG_WARN("DW_OP_plus\n");
                ok = pop(machine, &a) && pop(machine, &b) && push(machine, a + b);
                break;
            case 0x23: {  // plus_uconst
                const uint64_t addend = CRKParseULEB128AndAdvance(&operands);
                if (operands.failed) return false;
                CRKUNWINDLOG_WARN("DW_OP_plus_uconst\n");
                ok = pop(machine, &a) && push(machine, a + addend);
                break;
            }
            case 0x2e:  // ne
                CRKUNWINDLOG_WARN("DW_OP_ne\n");
                ok = pop(machine, &a) && pop(machine, &b) && push(machine, a != b ? 1 : 0);
                break;
            case 0x94: {  // deref_size
                const uint8_t size = CRKParseUint8AndAdvance(&operands);
                if (operands.failed) return false;
                CRKUNWINDLOG_WARN("DW_OP_deref_size\n");
                if (size != 1 && size != 2 && size != 4 && size != 8) {
                    CRKUNWINDLOG_WARN("Error: unrecognized DW_OP_deref_size argument %x\n", uint32_t(size));
                    return false;
                }
                if (!pop(machine, &a)) return false;
                uint64_t value = 0;  // little-endian: the low bytes come first
                const bool read = machine->memory ? machine->memory->read(a, &value, size)
                                                  : CRKSafeMemoryReader::readUncached(a, &value, size);
                if (!read) return false;
                ok = push(machine, value);
                break;
            }
            default:
                CRKUNWINDLOG_WARN("Error: Unrecognized DWARF expression opcode 0x%x\n", uint32_t(opcode));
                return false;
        }
    }
    if (operands.failed) return false;
    machine->position = operands.position;
    return ok;
}

bool CRKDwarfExpressionMachineGetResult(const CRKDwarfExpressionMachine* machine, uint64_t* value) {
    if (!machine || !value || stackDamaged(machine)) return false;
    if (machine->position != machine->end) {
        CRKUNWINDLOG_WARN("Error: DWARF expression hasn't completed execution\n");
        return false;
    }
    if (machine->top == 0) return false;
    *value = machine->stack[machine->top - 1];
    return true;
}

bool CRKDwarfEvalulateExpression(const uint8_t* expression, const CRKMachineContext* registers,
                                 uint64_t initialValue, uint64_t* value, CRKSafeMemoryReader* memory) {
    CRKUNWINDLOG_WARN("starting at %p with initial value %p\n", static_cast<const void*>(expression),
                      CRKLogWord(initialValue));
    if (reinterpret_cast<uintptr_t>(expression) < CRKFirstValidAddress ||
        reinterpret_cast<uintptr_t>(value) < CRKFirstValidAddress || !registers) {
        CRKUNWINDLOG_WARN("Error: inputs invalid\n");
        return false;
    }
    CRKDwarfExpressionMachine machine;
    machine.top = 0;
    if (!CRKDwarfExpressionMachinePrepareForExecution(&machine, expression, registers, initialValue,
                                                      memory)) {
        CRKUNWINDLOG_WARN("Error: unable to prepare for execution\n");
        return false;
    }
    while (!CRKDwarfExpressionMachineIsFinished(&machine)) {
        if (!CRKDwarfExpressionMachineExecuteNextOpcode(&machine)) {
            CRKUNWINDLOG_WARN("Error: failed to execute DWARF machine opcode\n");
            return false;
        }
    }
    if (!CRKDwarfExpressionMachineGetResult(&machine, value)) {
        CRKUNWINDLOG_WARN("Error: failed to get DWARF expression result\n");
        return false;
    }
    CRKUNWINDLOG_WARN("successfully computed expression result\n");
    return true;
}

}  // namespace reporting
