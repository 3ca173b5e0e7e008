#pragma once

#include <cstdint>

#include "reporting/crash/unwind/CRKUnwind.h"

namespace reporting {

class CRKSafeMemoryReader;

constexpr int CRKDwarfExpressionStackSize = 100;

// The small stack machine that evaluates the DWARF expressions of call-frame rules. The expression
// bytes lie inside an instruction block whose length was checked when the rule was recorded; every
// address the expression computes is read through the guarded reader.
struct CRKDwarfExpressionMachine {
    uint64_t stack[CRKDwarfExpressionStackSize];
    int32_t top;  // entries on the stack; a negative value marks a damaged stack
    const uint8_t* position;
    const uint8_t* end;
    const CRKMachineContext* registers;
    CRKSafeMemoryReader* memory;
};

// Evaluates the expression whose ULEB128 length prefix is at `expression`, with `initialValue` as
// the only stack entry.
bool CRKDwarfEvalulateExpression(const uint8_t* expression, const CRKMachineContext* registers,
                                 uint64_t initialValue, uint64_t* value, CRKSafeMemoryReader* memory);

bool CRKDwarfExpressionMachinePrepareForExecution(CRKDwarfExpressionMachine* machine,
                                                  const uint8_t* expression,
                                                  const CRKMachineContext* registers, uint64_t initialValue,
                                                  CRKSafeMemoryReader* memory);
bool CRKDwarfExpressionMachineIsFinished(const CRKDwarfExpressionMachine* machine);
bool CRKDwarfExpressionMachineExecuteNextOpcode(CRKDwarfExpressionMachine* machine);
bool CRKDwarfExpressionMachineGetResult(const CRKDwarfExpressionMachine* machine, uint64_t* value);

}  // namespace reporting
