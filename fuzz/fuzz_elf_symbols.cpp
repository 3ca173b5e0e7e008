// Feeds arbitrary bytes to the function-symbol search of the crash kit's ELF reader: the image files it
// reads while symbolicating are outside input (a file replaced since the crash, a damaged library).
// The sorted table made once per image must name every address as the one-off search does, so the two
// are compared on each input; and the same bytes, taken as an image laid out in memory, go through the
// reader of the loader's own tables.
#include <elf.h>
#include <link.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "reporting/crash/symbolication/CRKELFFunctionSymbolTable.h"
#include "reporting/crash/symbolication/CRKELFSymbolTable.h"
#include "reporting/crash/symbolication/CRKLoaderSymbolTable.h"

namespace {

// The bytes as a loaded image at their own address, when every loadable segment lies inside them.
void readAsLoadedImage(const uint8_t* data, size_t size) {
    ElfW(Ehdr) header;
    if (size < sizeof header) return;
    memcpy(&header, data, sizeof header);
    if (header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phoff > size ||
        uint64_t(header.e_phnum) * sizeof(ElfW(Phdr)) > size - header.e_phoff)
        return;
    std::vector<ElfW(Phdr)> headers(header.e_phnum);
    if (!headers.empty()) memcpy(headers.data(), data + header.e_phoff, headers.size() * sizeof(ElfW(Phdr)));
    for (const auto& ph : headers) {
        if (ph.p_type == PT_LOAD && (ph.p_vaddr > size || ph.p_memsz > size - ph.p_vaddr)) return;
    }
    const auto bias = reinterpret_cast<uintptr_t>(data);
    const auto table =
        reporting::CRKLoaderSymbolTable::tableForLoadedImage(bias, headers.data(), headers.size());
    if (!table) return;
    for (size_t at = 0; at < size; at += 1 + size / 64) {
        std::string_view name;
        uintptr_t address = 0;
        if (table->findSymbol(bias + at, &name, &address) && address > bias + at) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto table = reporting::CRKELFFunctionSymbolTable::tableWithBuffer(data, size);
    // The addresses asked for come from the input's end, so the search is steered into every table.
    uint64_t tail[4] = {0, 0, 0, 0};
    memcpy(tail, data + size - std::min(size, sizeof tail), std::min(size, sizeof tail));
    std::vector<uint64_t> probes = {uint64_t(0x1000), 0, UINT64_MAX};
    for (const uint64_t word : tail) {
        for (const uint64_t probe : {word, word & 0xffff, word & 0xffff'ffff, word - 1, word + 1})
            probes.push_back(probe);
    }
    for (const uint64_t probe : probes) {
        const auto once = reporting::CRKELFBufferFindFunctionSymbol(data, size, probe);
        const auto sorted = table.functionSymbolForAddress(probe);
        if (once.has_value() != sorted.has_value()) __builtin_trap();
        if (!once) continue;
        if (once->name != sorted->name || once->start != sorted->start) __builtin_trap();
        if (once->name.empty() || once->start > probe) __builtin_trap();
    }
    readAsLoadedImage(data, size);
    return 0;
}
