#pragma once

// ELF images made in memory with the symbol tables a test wants, and the function symbols of real ones,
// for the symbol table tests.
#include <elf.h>
#include <link.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "reporting/crash/image/CRKELFFile.h"

namespace elffixtures {

// The file's sections, by index: 0 is the null section and 1 a code section holding every address
// (there by default, as a symbol's section); each table's symbols and strings follow, two sections a
// table, then the sections a test adds, then the section names.
constexpr uint16_t kCodeSection = 1;

struct CraftedSymbol {
    uint32_t name = 0;  // offset in its table's strings
    uint64_t value = 0;
    uint64_t size = 0;
    unsigned char type = STT_FUNC;
    uint16_t section = kCodeSection;
};

struct CraftedTable {
    uint32_t type = SHT_SYMTAB;
    std::string strings;
    std::vector<CraftedSymbol> symbols;
};

template <size_t N>
CraftedTable symtab(const char (&strings)[N], std::vector<CraftedSymbol> symbols) {
    return {SHT_SYMTAB, std::string(strings, N - 1), std::move(symbols)};
}
template <size_t N>
CraftedTable dynsym(const char (&strings)[N], std::vector<CraftedSymbol> symbols) {
    return {SHT_DYNSYM, std::string(strings, N - 1), std::move(symbols)};
}

// A section of the test's own: code at an address, or relocations (linked to a table's symbols).
struct CraftedSection {
    std::string name;
    uint32_t type = SHT_PROGBITS;
    uint64_t address = 0;
    uint64_t size = 0;  // the bytes' size when there are bytes
    std::vector<uint8_t> bytes;
    uint64_t entrySize = 0;
    uint32_t link = 0;
};

// A section of code without bytes in the file, from `address` for `size` bytes.
inline CraftedSection codeSection(const std::string& name, uint64_t address, uint64_t size) {
    return {name, SHT_NOBITS, address, size, {}, 0, 0};
}

// The index of the section of table `table`'s symbols, and of the test's section `added`.
inline uint16_t tableSection(size_t table) {
    return uint16_t(2 + 2 * table);
}
inline uint16_t addedSection(size_t tables, size_t added) {
    return uint16_t(2 + 2 * tables + added);
}

// A native ELF file holding the code section, each table and its string table (linked), the test's
// sections and the section names, then the section headers.
inline std::vector<uint8_t> craftELF(const std::vector<CraftedTable>& tables,
                                     const std::vector<CraftedSection>& added = {}) {
    std::vector<uint8_t> bytes(sizeof(ElfW(Ehdr)), 0);
    std::string names(1, '\0');
    const auto named = [&names](const std::string& name) {
        const uint32_t at = uint32_t(names.size());
        names += name + '\0';
        return at;
    };
    std::vector<ElfW(Shdr)> sections(1);  // the null section
    ElfW(Shdr) code{};
    code.sh_name = named(".text");
    code.sh_type = SHT_NOBITS;
    code.sh_flags = SHF_ALLOC | SHF_EXECINSTR;
    code.sh_size = UINT64_MAX;
    sections.push_back(code);
    const auto append = [&bytes](const void* data, size_t size) {
        while (bytes.size() % 8) bytes.push_back(0);
        const size_t at = bytes.size();
        bytes.resize(at + size);
        if (size) memcpy(bytes.data() + at, data, size);
        return at;
    };
    for (const CraftedTable& table : tables) {
        std::vector<ElfW(Sym)> entries;
        for (const CraftedSymbol& symbol : table.symbols) {
            ElfW(Sym) entry{};
            entry.st_name = symbol.name;
            entry.st_info = ELF64_ST_INFO(STB_GLOBAL, symbol.type);
            entry.st_shndx = symbol.section;
            entry.st_value = symbol.value;
            entry.st_size = symbol.size;
            entries.push_back(entry);
        }
        ElfW(Shdr) symbols{};
        symbols.sh_name = named(table.type == SHT_SYMTAB ? ".symtab" : ".dynsym");
        symbols.sh_type = table.type;
        symbols.sh_offset = append(entries.data(), entries.size() * sizeof(ElfW(Sym)));
        symbols.sh_size = entries.size() * sizeof(ElfW(Sym));
        symbols.sh_entsize = sizeof(ElfW(Sym));
        symbols.sh_link = uint32_t(sections.size() + 1);
        ElfW(Shdr) strings{};
        strings.sh_name = named(table.type == SHT_SYMTAB ? ".strtab" : ".dynstr");
        strings.sh_type = SHT_STRTAB;
        strings.sh_offset = append(table.strings.data(), table.strings.size());
        strings.sh_size = table.strings.size();
        sections.push_back(symbols);
        sections.push_back(strings);
    }
    for (const CraftedSection& section : added) {
        ElfW(Shdr) header{};
        header.sh_name = named(section.name);
        header.sh_type = section.type;
        header.sh_addr = section.address;
        header.sh_offset = append(section.bytes.data(), section.bytes.size());
        header.sh_size = section.bytes.empty() ? section.size : section.bytes.size();
        header.sh_entsize = section.entrySize;
        header.sh_link = section.link;
        sections.push_back(header);
    }
    ElfW(Shdr) sectionNames{};
    sectionNames.sh_name = named(".shstrtab");
    sectionNames.sh_type = SHT_STRTAB;
    sectionNames.sh_offset = append(names.data(), names.size());
    sectionNames.sh_size = names.size();
    sections.push_back(sectionNames);
    ElfW(Ehdr) header{};
    memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = __SIZEOF_POINTER__ == 8 ? ELFCLASS64 : ELFCLASS32;
    header.e_ident[EI_DATA] = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_DYN;
#if defined(__x86_64__)
    header.e_machine = EM_X86_64;
#endif
    header.e_ehsize = sizeof(ElfW(Ehdr));
    header.e_shentsize = sizeof(ElfW(Shdr));
    header.e_shnum = uint16_t(sections.size());
    header.e_shstrndx = uint16_t(sections.size() - 1);
    header.e_shoff = append(sections.data(), sections.size() * sizeof(ElfW(Shdr)));
    memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

// A file mapped read-only for the test's length.
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        mapped_ = reporting::CRKELFFileInitWithPath(&file_, path.c_str());
    }
    ~MappedFile() {
        if (mapped_) reporting::CRKELFFileDestroy(&file_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const uint8_t* data() const { return mapped_ ? static_cast<const uint8_t*>(file_.mappedFile) : nullptr; }
    size_t size() const { return mapped_ ? file_.mappedSize : 0; }
    std::vector<uint8_t> copy() const { return std::vector<uint8_t>(data(), data() + size()); }

private:
    reporting::CRKELFFile file_;
    bool mapped_ = false;
};

// The defined function symbols (indirect ones too) of both tables of an ELF file: start and size.
inline std::vector<std::pair<uint64_t, uint64_t>> functionSymbolsOf(const uint8_t* bytes, size_t length) {
    std::vector<std::pair<uint64_t, uint64_t>> functions;
    ElfW(Ehdr) header;
    if (length < sizeof header) return functions;
    memcpy(&header, bytes, sizeof header);
    for (unsigned i = 0; i < header.e_shnum; i++) {
        ElfW(Shdr) section;
        if (header.e_shoff + (i + 1) * sizeof section > length) break;
        memcpy(&section, bytes + header.e_shoff + i * sizeof section, sizeof section);
        if ((section.sh_type != SHT_SYMTAB && section.sh_type != SHT_DYNSYM) ||
            section.sh_offset + section.sh_size > length)
            continue;
        for (uint64_t at = 0; at + sizeof(ElfW(Sym)) <= section.sh_size; at += sizeof(ElfW(Sym))) {
            ElfW(Sym) sym;
            memcpy(&sym, bytes + section.sh_offset + at, sizeof sym);
            const unsigned type = ELF64_ST_TYPE(sym.st_info);
            if ((type == STT_FUNC || type == STT_GNU_IFUNC) && sym.st_shndx != SHN_UNDEF && sym.st_value != 0)
                functions.emplace_back(sym.st_value, sym.st_size);
        }
    }
    return functions;
}

}  // namespace elffixtures
