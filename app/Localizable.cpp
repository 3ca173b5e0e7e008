#include "app/Localizable.h"

#include <mutex>

namespace kestrune {

namespace {
std::mutex gMutex;
LocalizedStringLookup gLookup;
}  // namespace

std::string localizable(const std::string& key) {
    LocalizedStringLookup lookup;
    {
        std::lock_guard lock(gMutex);
        lookup = gLookup;
    }
    if (lookup) {
        if (auto text = lookup(key)) return *text;
    }
    return key;
}

void setLocalizedStringLookup(LocalizedStringLookup lookup) {
    std::lock_guard lock(gMutex);
    gLookup = std::move(lookup);
}

}  // namespace kestrune
