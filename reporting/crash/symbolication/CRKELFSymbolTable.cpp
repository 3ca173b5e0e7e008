#include "reporting/crash/symbolication/CRKELFSymbolTable.h"

#include <elf.h>
#include <link.h>

#include <cstring>

#include "reporting/crash/image/CRKELFFile.h"
#include "reporting/crash/symbolication/CRKELFBytes.h"

namespace reporting {

namespace {

using namespace elfbytes;

// The best function symbol of one table: the one whose range holds the address, else the nearest
// start below it among symbols without a size.
struct Best {
    bool found = false;
    bool sized = false;
    uint64_t start = 0;
    uint64_t nameOffset = 0;
    Shdr strings{};  // the string table of the symbol's own table, where its name lies
};

void searchTable(const uint8_t* base, uint64_t length, const Shdr& table, const Shdr& strings,
                 uint64_t address, Best* best) {
    if (table.sh_entsize != sizeof(Sym) || !inside(length, table.sh_offset, table.sh_size)) return;
    const uint64_t count = table.sh_size / sizeof(Sym);
    for (uint64_t i = 0; i < count; i++) {
        Sym sym;
        if (!readAt(base, length, table.sh_offset + i * sizeof(Sym), &sym)) return;
        const unsigned type = ELF64_ST_TYPE(sym.st_info);
        if ((type != STT_FUNC && type != STT_GNU_IFUNC) || sym.st_shndx == SHN_UNDEF || sym.st_value == 0)
            continue;
        if (sym.st_name >= strings.sh_size) continue;
        if (address < sym.st_value) continue;
        if (sym.st_size > 0) {
            if (address - sym.st_value >= sym.st_size) continue;
            if (!best->sized || sym.st_value > best->start)
                *best = {true, true, sym.st_value, sym.st_name, strings};
        } else if (!best->sized && (!best->found || sym.st_value > best->start)) {
            *best = {true, false, sym.st_value, sym.st_name, strings};
        }
    }
}

}  // namespace

std::optional<CRKELFSymbol> CRKELFBufferFindFunctionSymbol(const void* bytes, uint64_t length,
                                                           uint64_t fileAddress) {
    const auto* base = static_cast<const uint8_t*>(bytes);
    Ehdr header;
    if (!base || !readAt(base, length, 0, &header)) return std::nullopt;
    if (memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != kNativeClass ||
        header.e_ident[EI_DATA] != kNativeData || header.e_shentsize != sizeof(Shdr))
        return std::nullopt;
    const uint64_t sections = header.e_shnum;
    if (!inside(length, header.e_shoff, sections * sizeof(Shdr))) return std::nullopt;

    for (const uint32_t wanted : {uint32_t(SHT_SYMTAB), uint32_t(SHT_DYNSYM)}) {
        Best best;
        for (uint64_t i = 0; i < sections; i++) {
            Shdr table;
            if (!readAt(base, length, header.e_shoff + i * sizeof(Shdr), &table) || table.sh_type != wanted)
                continue;
            Shdr strings;
            if (table.sh_link >= sections ||
                !readAt(base, length, header.e_shoff + uint64_t(table.sh_link) * sizeof(Shdr), &strings) ||
                strings.sh_type != SHT_STRTAB || !inside(length, strings.sh_offset, strings.sh_size))
                continue;
            searchTable(base, length, table, strings, fileAddress, &best);
        }
        if (!best.found) continue;
        // The name ends inside its string table, or it is not taken.
        const char* name = reinterpret_cast<const char*>(base + best.strings.sh_offset + best.nameOffset);
        const size_t room = best.strings.sh_size - best.nameOffset;
        const size_t nameLength = strnlen(name, room);
        if (nameLength == room || nameLength == 0) continue;
        return CRKELFSymbol{std::string(name, nameLength), best.start};
    }
    return std::nullopt;
}

std::optional<CRKELFSymbol> CRKELFFindFunctionSymbol(const std::string& path, uint64_t fileAddress) {
    CRKELFFile file;
    if (!CRKELFFileInitWithPath(&file, path.c_str())) return std::nullopt;
    auto symbol = CRKELFBufferFindFunctionSymbol(file.mappedFile, file.mappedSize, fileAddress);
    CRKELFFileDestroy(&file);
    return symbol;
}

}  // namespace reporting
