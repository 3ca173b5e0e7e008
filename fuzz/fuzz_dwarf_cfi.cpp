// Arbitrary bytes as an image's call-frame section: the FDE parser, the CIE parser, the instruction
// interpreter and the expression machine must stay inside the section (and the guarded reader) and
// never fault, whatever the bytes say.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "reporting/crash/unwind/CRKDwarfExpression.h"
#include "reporting/crash/unwind/CRKDwarfUnwind.h"
#include "reporting/crash/unwind/CRKUnwind.h"

using namespace reporting;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // The first two bytes choose the FDE's offset and the PC offset; the rest is the section. A copy
    // of exactly that length, so that any read past its end is caught.
    const uint32_t offset = data[0];
    const uint32_t pcOffset = data[1];
    std::vector<uint8_t> section(data + 2, data + size);
    const auto start = reinterpret_cast<uintptr_t>(section.data());

    static std::unique_ptr<CRKUnwindContext> context = std::make_unique<CRKUnwindContext>();
    std::vector<uint64_t> stack(32, 0);
    for (size_t i = 0; i < stack.size(); i++) stack[i] = start + i * 8;
    CRKMachineContext registers{};
    registers.ss.rsp = reinterpret_cast<uintptr_t>(stack.data());
    registers.ss.rbp = registers.ss.rsp + 64;

    CRKDwarfCFIRecord record;
    if (CRKDwarfFDEInit(&record, start, start + section.size(), offset, &context->memory)) {
        registers.ss.rip = record.fde.pcBegin + pcOffset;
        CRKUnwindInit(context.get(), registers);
        CRKDwarfUnwindComputeRegisters(&record, context.get());
    }

    // The same bytes as an expression and as a call-frame index.
    uint64_t value = 0;
    if (section.size() > 1 && section[0] < 0x80 && section[0] < section.size()) {
        CRKDwarfEvalulateExpression(section.data(), &registers, 0, &value, nullptr);
    }
    CRKDwarfFindFDEInHeader(start, start + section.size(), start + pcOffset * 16, nullptr);
    return 0;
}
