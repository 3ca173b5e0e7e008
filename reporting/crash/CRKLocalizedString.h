#pragma once

#include <optional>
#include <string>

namespace reporting {

// The crash kit's texts for the user come from the application's "CrashKit" strings table (a
// property-list dictionary in the main bundle) when it has the key, else from the kit's own wording.

// The table's text for the key; none when the bundle has no table, the table is no dictionary (logged)
// or the key holds no text. Read each time: texts are asked for only when something is about to be
// shown.
std::optional<std::string> CRKLocalizedString(const std::string& key);
// The table's text for the key, else the fallback.
std::string CRKLocalizedStringWithDefault(const std::string& key, const std::string& fallback);

}  // namespace reporting
