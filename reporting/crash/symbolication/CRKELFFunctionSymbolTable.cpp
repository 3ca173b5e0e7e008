#include "reporting/crash/symbolication/CRKELFFunctionSymbolTable.h"

#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include "reporting/crash/image/CRKELFFile.h"
#include "reporting/crash/symbolication/CRKELFBytes.h"
#include "reporting/crash/symbolication/CRKELFProcedureLinkage.h"

namespace reporting {

// Named, not anonymous: the library is compiled in batches, where CRKELFSymbolTable.cpp's own helpers
// of the same purpose share a translation unit with these.
namespace elffunctiontable {

using namespace elfbytes;

// A function symbol that some address may get: where it starts and how far it reaches (for one without
// a size, no further than its section), and where its name lies in the file, with the end of its own
// string table.
struct Entry {
    uint64_t start;
    uint64_t size;
    uint64_t nameAt;
    uint64_t namesEnd;
    UnsizedLimit limit;
};

// A program's table holds tens of thousands of symbols: a stop is looked for every so many of them.
constexpr uint64_t kSymbolsBetweenStopChecks = 4096;

}  // namespace elffunctiontable

CRKELFFunctionSymbolTable CRKELFFunctionSymbolTable::tableWithBuffer(const void* bytes, uint64_t length,
                                                                     const std::function<bool()>& stop) {
    using namespace elffunctiontable;
    CRKELFFunctionSymbolTable table;
    const auto stopped = [&stop] { return stop && stop(); };
    const auto stoppedTable = [] {
        CRKELFFunctionSymbolTable none;
        none.problem_ = kStopped;
        return none;
    };
    const auto* base = static_cast<const uint8_t*>(bytes);
    Ehdr header;
    if (!base || !readAt(base, length, 0, &header)) {
        table.problem_ = "shorter than an ELF header";
        return table;
    }
    if (memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != kNativeClass ||
        header.e_ident[EI_DATA] != kNativeData || header.e_shentsize != sizeof(Shdr)) {
        table.problem_ = "no ELF image of this machine's class and byte order";
        return table;
    }
    const uint64_t sections = header.e_shnum;
    if (!inside(length, header.e_shoff, sections * sizeof(Shdr))) {
        table.problem_ = "its section headers lie past its end";
        return table;
    }

    // Every function symbol an address could be given, .symtab's first, each table's in its order: that
    // order settles ties as the scan of CRKELFBufferFindFunctionSymbol does.
    std::vector<Entry> entries;
    size_t fromFile = 0;  // entries below this index are .symtab's
    bool damaged = false;
    for (const uint32_t wanted : {uint32_t(SHT_SYMTAB), uint32_t(SHT_DYNSYM)}) {
        for (uint64_t i = 0; i < sections; i++) {
            Shdr symbols;
            if (!readAt(base, length, header.e_shoff + i * sizeof(Shdr), &symbols) ||
                symbols.sh_type != wanted)
                continue;
            Shdr strings;
            if (symbols.sh_link >= sections ||
                !readAt(base, length, header.e_shoff + uint64_t(symbols.sh_link) * sizeof(Shdr), &strings) ||
                strings.sh_type != SHT_STRTAB || !inside(length, strings.sh_offset, strings.sh_size) ||
                symbols.sh_entsize != sizeof(Sym) || !inside(length, symbols.sh_offset, symbols.sh_size)) {
                damaged = true;
                continue;
            }
            const uint64_t count = symbols.sh_size / sizeof(Sym);
            for (uint64_t k = 0; k < count; k++) {
                if (k % kSymbolsBetweenStopChecks == 0 && stopped()) return stoppedTable();
                Sym sym;
                memcpy(&sym, base + symbols.sh_offset + k * sizeof(Sym), sizeof(Sym));
                const unsigned type = ELF64_ST_TYPE(sym.st_info);
                if ((type != STT_FUNC && type != STT_GNU_IFUNC) || sym.st_shndx == SHN_UNDEF ||
                    sym.st_value == 0 || sym.st_name >= strings.sh_size)
                    continue;
                // Ids are 32 bits; a file of that many symbols would be some hundred gigabytes.
                if (entries.size() >= CRKSymbolRangeMap::kNone - 1) break;
                entries.push_back(
                    {sym.st_value, sym.st_size, strings.sh_offset + sym.st_name,
                     strings.sh_offset + strings.sh_size,
                     sym.st_size == 0 ? unsizedLimit(base, length, header, sym) : UnsizedLimit{}});
            }
        }
        if (wanted == SHT_SYMTAB) fromFile = entries.size();
    }
    if (damaged) table.problem_ = "a symbol table or its string table lies past its end or is malformed";
    if (stopped()) return stoppedTable();
    const CRKELFProcedureLinkage linkage = CRKELFProcedureLinkage::linkageOfFile(base, length);
    if (linkage.damaged() && table.problem_.empty())
        table.problem_ = "a linkage table or its relocations lie past its end or are malformed";
    const auto& stubs = linkage.stubs();
    if ((entries.empty() && stubs.empty()) || entries.size() + stubs.size() >= CRKSymbolRangeMap::kNone - 1)
        return table;

    if (stopped()) return stoppedTable();
    // A name is taken when it ends inside its string table and is not empty. The names are looked at in
    // the order they lie in the file and each search for their end starts past the last one found, so
    // no byte is read twice however many names share a long unterminated run.
    std::vector<uint32_t> byName(entries.size());
    std::iota(byName.begin(), byName.end(), 0u);
    std::sort(byName.begin(), byName.end(),
              [&entries](uint32_t a, uint32_t b) { return entries[a].nameAt < entries[b].nameAt; });
    std::vector<bool> named(entries.size(), false);
    uint64_t terminator = 0;  // the first NUL at or past the last name's start; `length` when there is none
    bool searched = false;
    for (const uint32_t id : byName) {
        const Entry& entry = entries[id];
        if (!searched || terminator < entry.nameAt) {
            const void* found = memchr(base + entry.nameAt, 0, length - entry.nameAt);
            terminator = found ? uint64_t(static_cast<const uint8_t*>(found) - base) : length;
            searched = true;
        }
        named[id] = terminator < entry.namesEnd && terminator > entry.nameAt;
    }

    if (stopped()) return stoppedTable();
    // A function without a size runs up to the next function's start, or its section's end if that
    // comes first: the bytes after its section's end, or between a function of known size and the next,
    // are no function's.
    std::vector<uint64_t> starts;
    if (std::any_of(entries.begin(), entries.end(), [](const Entry& entry) { return entry.size == 0; })) {
        starts.reserve(entries.size());
        for (const Entry& entry : entries) starts.push_back(entry.start);
        std::sort(starts.begin(), starts.end());
        starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    }

    // In each table a symbol whose size holds the address comes before one without a size; the greater
    // start wins, then the earlier symbol.
    std::vector<CRKSymbolRangeMap::Candidate> sized[2], unsized[2];
    for (uint32_t id = 0; id < entries.size(); id++) {
        const Entry& entry = entries[id];
        const int which = id < fromFile ? 0 : 1;
        CRKSymbolRangeMap::Candidate candidate{entry.start, 0, true, entry.start, id};
        if (entry.size == 0) {
            candidate.toTop = entry.limit.toTop;
            candidate.end = entry.limit.end;
            const auto next = std::upper_bound(starts.begin(), starts.end(), entry.start);
            if (next != starts.end() && (candidate.toTop || *next < candidate.end)) {
                candidate.toTop = false;
                candidate.end = *next;
            }
            unsized[which].push_back(candidate);
            continue;
        }
        // A size running past the top holds every address from its start up.
        if (entry.size <= UINT64_MAX - entry.start) {
            candidate.toTop = false;
            candidate.end = entry.start + entry.size;
        }
        sized[which].push_back(candidate);
    }
    if (stopped()) return stoppedTable();
    // The linkage stubs, numbered after the symbols.
    std::vector<CRKSymbolRangeMap::Candidate> linkageSections, linkageStubs;
    for (const auto& [start, end] : linkage.sections())
        linkageSections.push_back({start, end, false, 0, uint32_t(linkageSections.size())});
    for (size_t k = 0; k < stubs.size(); k++) {
        const auto& stub = stubs[k];
        linkageStubs.push_back(
            {stub.start, stub.start + stub.size, false, stub.start, uint32_t(entries.size() + k)});
    }
    const CRKSymbolRangeMap parts[6] = {
        CRKSymbolRangeMap::mapOfCandidates(std::move(linkageSections)),
        CRKSymbolRangeMap::mapOfCandidates(std::move(linkageStubs)),
        CRKSymbolRangeMap::mapOfCandidates(std::move(sized[0])),
        CRKSymbolRangeMap::mapOfCandidates(std::move(unsized[0])),
        CRKSymbolRangeMap::mapOfCandidates(std::move(sized[1])),
        CRKSymbolRangeMap::mapOfCandidates(std::move(unsized[1])),
    };
    // In a linkage section its stub names the address, or nothing does. Elsewhere the first table whose
    // choice has a name that can be taken names it.
    table.ranges_ = CRKSymbolRangeMap::combine(
        {&parts[0], &parts[1], &parts[2], &parts[3], &parts[4], &parts[5]}, [&named](const uint32_t* ids) {
            if (ids[0] != CRKSymbolRangeMap::kNone) return ids[1];
            for (int which = 0; which < 2; which++) {
                uint32_t id = ids[2 + 2 * which];
                if (id == CRKSymbolRangeMap::kNone) id = ids[3 + 2 * which];
                if (id != CRKSymbolRangeMap::kNone && named[id]) return id;
            }
            return CRKSymbolRangeMap::kNone;
        });

    if (stopped()) return stoppedTable();
    // Only the symbols some address gets are kept, each name copied once however many symbols share it;
    // then the stubs.
    std::vector<uint32_t> used = table.ranges_.ids();
    std::erase(used, CRKSymbolRangeMap::kNone);
    const size_t symbolIds = entries.size();
    std::sort(used.begin(), used.end(), [&entries, symbolIds](uint32_t a, uint32_t b) {
        if (a >= symbolIds || b >= symbolIds) return a < b;
        return entries[a].nameAt < entries[b].nameAt;
    });
    used.erase(std::unique(used.begin(), used.end()), used.end());
    std::vector<uint32_t> renumbered(entries.size() + stubs.size(), CRKSymbolRangeMap::kNone);
    uint64_t lastNameAt = 0;
    Symbol lastName{};
    for (const uint32_t id : used) {
        if (renumbered[id] != CRKSymbolRangeMap::kNone) continue;
        renumbered[id] = uint32_t(table.symbols_.size());
        if (id >= symbolIds) {
            const auto& stub = stubs[id - symbolIds];
            table.symbols_.push_back({stub.start, table.names_.size(), stub.name.size()});
            table.names_ += stub.name;
            continue;
        }
        const Entry& entry = entries[id];
        if (table.symbols_.empty() || entry.nameAt != lastNameAt) {
            const char* name = reinterpret_cast<const char*>(base + entry.nameAt);
            lastName = {0, table.names_.size(), strnlen(name, entry.namesEnd - entry.nameAt)};
            table.names_.append(name, lastName.nameLength);
            lastNameAt = entry.nameAt;
        }
        table.symbols_.push_back({entry.start, lastName.nameOffset, lastName.nameLength});
    }
    table.ranges_.renumber(renumbered);
    table.symbols_.shrink_to_fit();
    table.names_.shrink_to_fit();
    return table;
}

CRKELFFunctionSymbolTable CRKELFFunctionSymbolTable::tableWithPath(const std::string& path,
                                                                   const std::function<bool()>& stop) {
    CRKELFFile file;
    if (!CRKELFFileInitWithPath(&file, path.c_str())) {
        CRKELFFunctionSymbolTable table;
        table.problem_ = "cannot be opened and mapped";
        return table;
    }
    CRKELFFunctionSymbolTable table = tableWithBuffer(file.mappedFile, file.mappedSize, stop);
    CRKELFFileDestroy(&file);
    return table;
}

bool CRKELFFunctionSymbolTable::findFunctionSymbol(uint64_t fileAddress, std::string_view* name,
                                                   uint64_t* start) const {
    const uint32_t id = ranges_.idAt(fileAddress);
    if (id == CRKSymbolRangeMap::kNone || id >= symbols_.size()) return false;
    const Symbol& symbol = symbols_[id];
    if (name) *name = std::string_view(names_).substr(symbol.nameOffset, symbol.nameLength);
    if (start) *start = symbol.start;
    return true;
}

std::optional<CRKELFSymbol> CRKELFFunctionSymbolTable::functionSymbolForAddress(uint64_t fileAddress) const {
    std::string_view name;
    uint64_t start = 0;
    if (!findFunctionSymbol(fileAddress, &name, &start)) return std::nullopt;
    return CRKELFSymbol{std::string(name), start};
}

size_t CRKELFFunctionSymbolTable::memoryBytes() const {
    return sizeof(*this) + ranges_.memoryBytes() + symbols_.capacity() * sizeof(Symbol) + names_.capacity();
}

}  // namespace reporting
