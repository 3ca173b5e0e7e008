#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kestrune {

// The interface text for a key in the current interface language; a key without an entry comes back
// as the key itself. The interface-language service installs the table lookup; until it does, every
// key comes back unchanged.
std::string localizable(const std::string& key);

using LocalizedStringLookup = std::function<std::optional<std::string>(const std::string& key)>;
void setLocalizedStringLookup(LocalizedStringLookup lookup);

}  // namespace kestrune
