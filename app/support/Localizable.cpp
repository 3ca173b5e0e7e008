#include "app/support/Localizable.h"

#include <mutex>

namespace kestrune {

namespace {
std::mutex gLookupMutex;
LocalizedStringLookup gLookup;
}  // namespace

std::string localizable(const std::string& key) {
    LocalizedStringLookup lookup;
    {
        std::lock_guard lock(gLookupMutex);
        lookup = gLookup;
    }
    if (lookup) {
        if (auto text = lookup(key)) return *text;
    }
    return key;
}

void setLocalizedStringLookup(LocalizedStringLookup lookup) {
    std::lock_guard lock(gLookupMutex);
    gLookup = std::move(lookup);
}

}  // namespace kestrune
