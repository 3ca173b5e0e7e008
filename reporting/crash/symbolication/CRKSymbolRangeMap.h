#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace reporting {

// Which symbol a table's rules give each address, worked out once for the whole address space: a
// symbol search that scans every entry per address (the file's own tables, the loader's) picks, among
// the symbols whose range holds the address, the one of the greatest rank, the table's earlier one on a
// tie. That choice only changes where some range starts or ends, so it is kept as a sorted list of those
// places with the symbol chosen from each on, and an address costs one binary search. Building it sorts
// the ranges once and keeps the open ones in a heap, however they overlap or nest.
class CRKSymbolRangeMap {
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    struct Candidate {
        uint64_t start = 0;  // the first address the symbol covers
        uint64_t end = 0;    // the first address past it, when `toTop` is false (end > start)
        bool toTop = false;  // covers every address from `start` up
        uint64_t rank = 0;   // the greater rank wins an address
        uint32_t id = 0;     // unique; on equal ranks the lower id (the earlier symbol) wins
    };

    CRKSymbolRangeMap() = default;
    static CRKSymbolRangeMap mapOfCandidates(std::vector<Candidate> candidates);
    // The map whose id at every address is `choose` of the parts' ids there (each kNone where a part
    // names nothing); `choose` is given one id per part, in order.
    static CRKSymbolRangeMap combine(const std::vector<const CRKSymbolRangeMap*>& parts,
                                     const std::function<uint32_t(const uint32_t* ids)>& choose);

    uint32_t idAt(uint64_t address) const;
    // Every id the map gives some address, each once or more, and kNone where it gives none.
    const std::vector<uint32_t>& ids() const { return ids_; }
    // Gives every id the number `renumbered[id]` instead.
    void renumber(const std::vector<uint32_t>& renumbered);
    size_t memoryBytes() const {
        return starts_.capacity() * sizeof(uint64_t) + ids_.capacity() * sizeof(uint32_t);
    }

private:
    void append(uint64_t start, uint32_t id);

    // From starts_[i] up to the next start (or the top), ids_[i] names the address; below the first
    // start nothing does.
    std::vector<uint64_t> starts_;
    std::vector<uint32_t> ids_;
};

}  // namespace reporting
