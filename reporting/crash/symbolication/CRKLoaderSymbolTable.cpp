#include "reporting/crash/symbolication/CRKLoaderSymbolTable.h"

#include <elf.h>

#include <algorithm>
#include <cstring>

namespace reporting {

// Named, not anonymous: the library is compiled in batches, beside other files' helpers.
namespace loadersymboltable {

using Phdr = ElfW(Phdr);
using Dyn = ElfW(Dyn);
using Sym = ElfW(Sym);
using Addr = ElfW(Addr);

// The loader adds the load bias to the addresses of a writable dynamic section in place; a read-only
// one (the vDSO's), and every one on the architectures whose loader never writes there, keeps them
// relative to the bias.
#if defined(__mips__) || defined(__riscv)
constexpr bool kDynamicSectionNeverRelocated = true;
#else
constexpr bool kDynamicSectionNeverRelocated = false;
#endif

// A damaged chain could run without end; no real image comes near this many steps.
constexpr uint64_t kMaxHashSteps = uint64_t(1) << 26;

class Memory {
public:
    explicit Memory(std::vector<std::pair<uintptr_t, uintptr_t>> readable) : readable_(std::move(readable)) {}

    // Whether [address, address + size) lies inside one readable segment.
    bool holds(uintptr_t address, uint64_t size) const {
        for (const auto& [start, end] : readable_) {
            if (address >= start && address < end && size <= end - address) return true;
        }
        return false;
    }
    template <typename T>
    bool read(uintptr_t address, T* out) const {
        if (!holds(address, sizeof(T))) return false;
        memcpy(out, reinterpret_cast<const void*>(address), sizeof(T));
        return true;
    }

private:
    std::vector<std::pair<uintptr_t, uintptr_t>> readable_;
};

}  // namespace loadersymboltable

std::optional<CRKLoaderSymbolTable> CRKLoaderSymbolTable::tableForLoadedImage(uintptr_t loadBias,
                                                                              const ElfW(Phdr) * headers,
                                                                              size_t headerCount) {
    using namespace loadersymboltable;
    if (!headers) return std::nullopt;
    CRKLoaderSymbolTable table;
    std::vector<std::pair<uintptr_t, uintptr_t>> readable;
    const Phdr* dynamicHeader = nullptr;
    for (size_t i = 0; i < headerCount; i++) {
        const Phdr& header = headers[i];
        if (header.p_type == PT_DYNAMIC) dynamicHeader = &header;
        if (header.p_type != PT_LOAD || header.p_memsz == 0) continue;
        const uintptr_t start = loadBias + header.p_vaddr;
        const uintptr_t end = header.p_memsz > UINTPTR_MAX - start ? UINTPTR_MAX : start + header.p_memsz;
        table.segments_.emplace_back(start, end);
        if (header.p_flags & PF_R) readable.emplace_back(start, end);
    }
    if (!dynamicHeader) return std::nullopt;
    const Memory memory(std::move(readable));

    // The dynamic section, read as the loader reads it: up to its end marker, a later entry of a kind
    // replacing an earlier one.
    const bool relocated = loadBias != 0 && (dynamicHeader->p_flags & PF_W) && !kDynamicSectionNeverRelocated;
    const auto located = [&](Addr value) -> uintptr_t { return relocated ? value : loadBias + value; };
    std::optional<uintptr_t> symbolsAt, namesAt, hashAt;
    std::optional<uint64_t> namesSize;
    const uintptr_t dynamic = loadBias + dynamicHeader->p_vaddr;
    for (uint64_t i = 0; i < dynamicHeader->p_memsz / sizeof(Dyn); i++) {
        Dyn entry;
        if (!memory.read(dynamic + i * sizeof(Dyn), &entry)) return std::nullopt;
        if (entry.d_tag == DT_NULL) break;
        if (entry.d_tag == DT_SYMTAB) symbolsAt = located(entry.d_un.d_ptr);
        if (entry.d_tag == DT_STRTAB) namesAt = located(entry.d_un.d_ptr);
        if (entry.d_tag == DT_STRSZ) namesSize = entry.d_un.d_val;
        if (entry.d_tag == DT_GNU_HASH) hashAt = located(entry.d_un.d_ptr);
    }
    if (!symbolsAt || !namesAt || !namesSize || !hashAt || !memory.holds(*namesAt, *namesSize))
        return std::nullopt;

    // The GNU hash table: its bucket count, the index of the first symbol it lists, the size of its
    // Bloom filter in words, the filter's shift; then the filter, the buckets and the chains.
    uint32_t head[4];
    if (!memory.read(*hashAt, &head)) return std::nullopt;
    const uint32_t bucketCount = head[0];
    const uint32_t firstListed = head[1];
    const uintptr_t buckets = *hashAt + sizeof(head) + uint64_t(head[2]) * sizeof(Addr);
    const uintptr_t chains = buckets + uint64_t(bucketCount) * sizeof(uint32_t);
    if (buckets < *hashAt || chains < buckets || !memory.holds(buckets, chains - buckets))
        return std::nullopt;

    // Every listed symbol in the loader's order: buckets in turn, each chain to the entry whose low bit
    // ends it.
    std::vector<CRKSymbolRangeMap::Candidate> candidates;
    std::vector<Sym> listed;
    uint64_t steps = 0;
    for (uint32_t bucket = 0; bucket < bucketCount; bucket++) {
        uint32_t index;
        if (!memory.read(buckets + uint64_t(bucket) * sizeof(uint32_t), &index)) return std::nullopt;
        if (index == 0) continue;
        if (index < firstListed) return std::nullopt;
        for (uint32_t chainWord = 0; (chainWord & 1) == 0; index++) {
            if (++steps > kMaxHashSteps || index == UINT32_MAX) return std::nullopt;
            Sym sym;
            if (!memory.read(*symbolsAt + uint64_t(index) * sizeof(Sym), &sym) ||
                !memory.read(chains + uint64_t(index - firstListed) * sizeof(uint32_t), &chainWord))
                return std::nullopt;
            if ((sym.st_shndx == SHN_UNDEF && sym.st_value == 0) || sym.st_shndx == SHN_ABS ||
                ELF64_ST_TYPE(sym.st_info) == STT_TLS || sym.st_name >= *namesSize)
                continue;
            // The loader's test: at or past the symbol's address, and before its end (sums wrapping as
            // they do there), or exactly on it for one without a size or undefined.
            const uintptr_t start = loadBias + sym.st_value;
            const bool onlyItsAddress = sym.st_shndx == SHN_UNDEF || sym.st_size == 0;
            CRKSymbolRangeMap::Candidate candidate{start, 0, false, sym.st_value, uint32_t(listed.size())};
            if (sym.st_size > 0 && sym.st_size <= UINTPTR_MAX - start) {
                candidate.end = start + sym.st_size;
            } else if (onlyItsAddress) {
                candidate.toTop = start == UINTPTR_MAX;
                candidate.end = start + (candidate.toTop ? 0 : 1);
            } else {
                continue;
            }
            if (listed.size() >= CRKSymbolRangeMap::kNone - 1) return std::nullopt;
            listed.push_back(sym);
            candidates.push_back(candidate);
        }
    }
    table.ranges_ = CRKSymbolRangeMap::mapOfCandidates(std::move(candidates));

    std::vector<uint32_t> used = table.ranges_.ids();
    std::erase(used, CRKSymbolRangeMap::kNone);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    std::vector<uint32_t> renumbered(listed.size(), CRKSymbolRangeMap::kNone);
    for (const uint32_t id : used) {
        const Sym& sym = listed[id];
        const char* name = reinterpret_cast<const char*>(*namesAt + sym.st_name);
        const size_t length = strnlen(name, *namesSize - sym.st_name);
        renumbered[id] = uint32_t(table.symbols_.size());
        table.symbols_.push_back({uintptr_t(loadBias + sym.st_value), table.names_.size(), length});
        table.names_.append(name, length);
    }
    table.ranges_.renumber(renumbered);
    table.symbols_.shrink_to_fit();
    table.names_.shrink_to_fit();
    return table;
}

std::optional<CRKLoaderSymbolTable> CRKLoaderSymbolTable::tableForImageAt(uintptr_t header) {
    struct Search {
        uintptr_t header;
        std::optional<CRKLoaderSymbolTable> table;
    } search{header, std::nullopt};
    if (header == 0) return std::nullopt;
    // Read inside the loader's walk of its list: no image can be unloaded meanwhile.
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* search = static_cast<Search*>(data);
            for (ElfW(Half) i = 0; i < info->dlpi_phnum; i++) {
                const ElfW(Phdr)& ph = info->dlpi_phdr[i];
                // The header lies at the start of the loadable segment that maps the file's first byte.
                if (ph.p_type != PT_LOAD || ph.p_offset != 0) continue;
                if (info->dlpi_addr + ph.p_vaddr != search->header) return 0;
                search->table = tableForLoadedImage(info->dlpi_addr, info->dlpi_phdr, info->dlpi_phnum);
                return 1;
            }
            return 0;
        },
        &search);
    return std::move(search.table);
}

bool CRKLoaderSymbolTable::holds(uintptr_t address) const {
    for (const auto& [start, end] : segments_) {
        if (address >= start && address < end) return true;
    }
    return false;
}

bool CRKLoaderSymbolTable::findSymbol(uintptr_t address, std::string_view* name,
                                      uintptr_t* symbolAddress) const {
    const uint32_t id = ranges_.idAt(address);
    if (id == CRKSymbolRangeMap::kNone || id >= symbols_.size()) return false;
    const Symbol& symbol = symbols_[id];
    if (name) *name = std::string_view(names_).substr(symbol.nameOffset, symbol.nameLength);
    if (symbolAddress) *symbolAddress = symbol.address;
    return true;
}

size_t CRKLoaderSymbolTable::memoryBytes() const {
    return sizeof(*this) + segments_.capacity() * sizeof(segments_[0]) + ranges_.memoryBytes() +
           symbols_.capacity() * sizeof(Symbol) + names_.capacity();
}

}  // namespace reporting
