// Feeds arbitrary bytes to the function-symbol search of the crash kit's ELF reader: the image files it
// reads while symbolicating are outside input (a file replaced since the crash, a damaged library).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "reporting/crash/symbolication/CRKELFSymbolTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The address asked for comes from the input's end, so the search is steered into every table.
    uint64_t address = 0;
    if (size >= sizeof address) memcpy(&address, data + size - sizeof address, sizeof address);
    for (const uint64_t probe : {address, address & 0xffff, uint64_t(0x1000), uint64_t(0)}) {
        if (auto symbol = reporting::CRKELFBufferFindFunctionSymbol(data, size, probe)) {
            if (symbol->name.empty() || symbol->start > probe) __builtin_trap();
        }
    }
    return 0;
}
