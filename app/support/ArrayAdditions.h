#pragma once

#include <cstdint>
#include <iterator>

namespace kestrune {

// Keeps the first `index` elements of the list and drops the rest; a list that is not longer than that
// is left alone. A negative index also leaves the list alone: there is no sensible count to keep, and
// dropping everything would lose the history it trims.
template <typename List>
void removeObjectsFromIndex(List& list, int64_t index) {
    if (index < 0) return;
    if (static_cast<uint64_t>(list.size()) <= static_cast<uint64_t>(index)) return;
    auto first = list.begin();
    std::advance(first, static_cast<typename List::difference_type>(index));
    list.erase(first, list.end());
}

}  // namespace kestrune
