#include "reporting/crash/symbolication/CRKSymbolRangeMap.h"

#include <algorithm>
#include <queue>

namespace reporting {

CRKSymbolRangeMap CRKSymbolRangeMap::mapOfCandidates(std::vector<Candidate> candidates) {
    CRKSymbolRangeMap map;
    if (candidates.empty() || candidates.size() >= kNone) return map;
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate& a, const Candidate& b) { return a.start < b.start; });
    // The choice can change only where a range starts or ends.
    std::vector<uint64_t> places;
    places.reserve(candidates.size() * 2);
    for (const Candidate& candidate : candidates) {
        places.push_back(candidate.start);
        if (!candidate.toTop) places.push_back(candidate.end);
    }
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());

    // The ranges begun so far, the winner on top. One that has ended leaves the heap only when it comes
    // to the top: below a range still open it changes nothing.
    const auto losesTo = [&candidates](uint32_t a, uint32_t b) {
        const Candidate& x = candidates[a];
        const Candidate& y = candidates[b];
        return x.rank != y.rank ? x.rank < y.rank : x.id > y.id;
    };
    std::priority_queue<uint32_t, std::vector<uint32_t>, decltype(losesTo)> open(losesTo);
    size_t next = 0;
    for (const uint64_t place : places) {
        while (next < candidates.size() && candidates[next].start == place) open.push(uint32_t(next++));
        while (!open.empty()) {
            const Candidate& top = candidates[open.top()];
            if (top.toTop || top.end > place) break;
            open.pop();
        }
        map.append(place, open.empty() ? kNone : candidates[open.top()].id);
    }
    map.starts_.shrink_to_fit();
    map.ids_.shrink_to_fit();
    return map;
}

CRKSymbolRangeMap CRKSymbolRangeMap::combine(const std::vector<const CRKSymbolRangeMap*>& parts,
                                             const std::function<uint32_t(const uint32_t* ids)>& choose) {
    CRKSymbolRangeMap map;
    std::vector<uint64_t> places;
    for (const CRKSymbolRangeMap* part : parts)
        places.insert(places.end(), part->starts_.begin(), part->starts_.end());
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    std::vector<size_t> reached(parts.size(), 0);  // how many of each part's starts lie at or below
    std::vector<uint32_t> ids(parts.size(), kNone);
    for (const uint64_t place : places) {
        for (size_t p = 0; p < parts.size(); p++) {
            const CRKSymbolRangeMap& part = *parts[p];
            while (reached[p] < part.starts_.size() && part.starts_[reached[p]] <= place) reached[p]++;
            ids[p] = reached[p] == 0 ? kNone : part.ids_[reached[p] - 1];
        }
        map.append(place, choose(ids.data()));
    }
    map.starts_.shrink_to_fit();
    map.ids_.shrink_to_fit();
    return map;
}

uint32_t CRKSymbolRangeMap::idAt(uint64_t address) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), address);
    if (after == starts_.begin()) return kNone;
    return ids_[size_t(after - starts_.begin()) - 1];
}

void CRKSymbolRangeMap::renumber(const std::vector<uint32_t>& renumbered) {
    std::vector<uint64_t> starts;
    std::vector<uint32_t> ids;
    starts.swap(starts_);
    ids.swap(ids_);
    for (size_t i = 0; i < starts.size(); i++) {
        const uint32_t id = ids[i] == kNone || ids[i] >= renumbered.size() ? kNone : renumbered[ids[i]];
        append(starts[i], id);
    }
    starts_.shrink_to_fit();
    ids_.shrink_to_fit();
}

void CRKSymbolRangeMap::append(uint64_t start, uint32_t id) {
    // Neighbours naming the same symbol are one range; nothing needs saying below the first symbol.
    if (ids_.empty() ? id == kNone : ids_.back() == id) return;
    starts_.push_back(start);
    ids_.push_back(id);
}

}  // namespace reporting
