#include "app/support/Localizable.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace kestrune {

namespace {
// Every interface text goes through here, from any thread, so a look-up takes no lock: each thread keeps
// its own copy of the installed look-up and refreshes it only when the generation has moved on.
std::mutex gLookupMutex;
std::shared_ptr<const LocalizedStringLookup> gLookup;
std::atomic<uint64_t> gGeneration{1};

struct ThreadCopy {
    uint64_t generation = 0;
    std::shared_ptr<const LocalizedStringLookup> lookup;
};
thread_local ThreadCopy tCopy;
}  // namespace

std::string localizable(const std::string& key) {
    const uint64_t generation = gGeneration.load(std::memory_order_acquire);
    if (tCopy.generation != generation) {
        std::lock_guard lock(gLookupMutex);
        tCopy.lookup = gLookup;
        tCopy.generation = gGeneration.load(std::memory_order_relaxed);
    }
    if (tCopy.lookup && *tCopy.lookup) {
        if (auto text = (*tCopy.lookup)(key)) return std::move(*text);
    }
    return key;
}

void setLocalizedStringLookup(LocalizedStringLookup lookup) {
    std::lock_guard lock(gLookupMutex);
    gLookup = lookup ? std::make_shared<const LocalizedStringLookup>(std::move(lookup)) : nullptr;
    gGeneration.fetch_add(1, std::memory_order_release);
}

}  // namespace kestrune
