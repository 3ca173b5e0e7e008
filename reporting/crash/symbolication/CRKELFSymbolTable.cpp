#include "reporting/crash/symbolication/CRKELFSymbolTable.h"

#include <elf.h>
#include <link.h>

#include <cstring>
#include <vector>

#include "reporting/crash/image/CRKELFFile.h"
#include "reporting/crash/symbolication/CRKELFBytes.h"
#include "reporting/crash/symbolication/CRKELFProcedureLinkage.h"

namespace reporting {

namespace {

using namespace elfbytes;

// Whether a symbol is a function some address may be named after.
bool isFunction(const Sym& sym, const Shdr& strings) {
    const unsigned type = ELF64_ST_TYPE(sym.st_info);
    return (type == STT_FUNC || type == STT_GNU_IFUNC) && sym.st_shndx != SHN_UNDEF && sym.st_value != 0 &&
           sym.st_name < strings.sh_size;
}

// The table's symbols and its string table, when both lie inside the file and are well formed.
bool tableAt(const uint8_t* base, uint64_t length, const Ehdr& header, uint64_t index, uint32_t wanted,
             Shdr* table, Shdr* strings) {
    return readAt(base, length, header.e_shoff + index * sizeof(Shdr), table) && table->sh_type == wanted &&
           table->sh_link < header.e_shnum &&
           readAt(base, length, header.e_shoff + uint64_t(table->sh_link) * sizeof(Shdr), strings) &&
           strings->sh_type == SHT_STRTAB && inside(length, strings->sh_offset, strings->sh_size) &&
           table->sh_entsize == sizeof(Sym) && inside(length, table->sh_offset, table->sh_size);
}

// What one kind of table (".symtab", ".dynsym") offers an address: the symbol of greatest start whose
// size holds it, and the symbols without a size that start nearest below it, in the tables' order.
struct Offer {
    struct Symbol {
        Sym sym;
        Shdr strings;  // the string table of the symbol's own table, where its name lies
    };
    bool sized = false;
    Symbol best{};
    uint64_t unsizedStart = 0;
    std::vector<Symbol> unsized;
};

void searchTable(const uint8_t* base, const Shdr& table, const Shdr& strings, uint64_t address,
                 uint64_t* latest, Offer* offer) {
    const uint64_t count = table.sh_size / sizeof(Sym);
    for (uint64_t i = 0; i < count; i++) {
        Sym sym;
        memcpy(&sym, base + table.sh_offset + i * sizeof(Sym), sizeof sym);
        if (!isFunction(sym, strings) || address < sym.st_value) continue;
        if (sym.st_value > *latest) *latest = sym.st_value;
        if (sym.st_size > 0) {
            if (address - sym.st_value >= sym.st_size) continue;
            if (!offer->sized || sym.st_value > offer->best.sym.st_value) offer->best = {sym, strings};
            offer->sized = true;
        } else if (offer->unsized.empty() || sym.st_value >= offer->unsizedStart) {
            if (!offer->unsized.empty() && sym.st_value > offer->unsizedStart) offer->unsized.clear();
            offer->unsizedStart = sym.st_value;
            offer->unsized.push_back({sym, strings});
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

    // In a linkage section the stub holding the address names it, or nothing does.
    const CRKELFProcedureLinkage linkage = CRKELFProcedureLinkage::linkageAt(base, length, fileAddress);
    if (linkage.holds(fileAddress)) {
        const auto* stub = linkage.stubAt(fileAddress);
        if (!stub) return std::nullopt;
        return CRKELFSymbol{stub->name, stub->start};
    }

    // Both kinds of table at once, and the last function of any to start at or below the address: one
    // without a size reaches no further than the next function's start.
    Offer offers[2];
    uint64_t latest = 0;
    for (uint64_t i = 0; i < sections; i++) {
        for (const uint32_t wanted : {uint32_t(SHT_SYMTAB), uint32_t(SHT_DYNSYM)}) {
            Shdr table, strings;
            if (tableAt(base, length, header, i, wanted, &table, &strings))
                searchTable(base, table, strings, fileAddress, &latest, &offers[wanted == SHT_DYNSYM]);
        }
    }
    for (const Offer& offer : offers) {
        const Offer::Symbol* best = offer.sized ? &offer.best : nullptr;
        // The first without a size that no other function's start cuts short, and whose section holds
        // the address.
        for (size_t k = 0; !best && k < offer.unsized.size() && offer.unsizedStart == latest; k++) {
            const UnsizedLimit limit = unsizedLimit(base, length, header, offer.unsized[k].sym);
            if (limit.toTop || fileAddress < limit.end) best = &offer.unsized[k];
        }
        if (!best) continue;
        // The name ends inside its string table, or it is not taken.
        const char* name = reinterpret_cast<const char*>(base + best->strings.sh_offset + best->sym.st_name);
        const size_t room = best->strings.sh_size - best->sym.st_name;
        const size_t nameLength = strnlen(name, room);
        if (nameLength == room || nameLength == 0) continue;
        return CRKELFSymbol{std::string(name, nameLength), best->sym.st_value};
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
