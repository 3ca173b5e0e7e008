#pragma once

#include <optional>
#include <string>

namespace reporting {

// The crash kit's texts for the user come from the application's "CrashKit" strings table when it has
// the key, else from the kit's own wording. The table is the one of the language the application shows
// its interface in, which the application tells the bundle (platform::Bundle::setLocalizationFolder);
// the kit knows nothing of how the application chooses it.

// The table's text for the key; none when the bundle has no table, the table is malformed (logged) or
// lacks the key. Read each time: texts are asked for only when something is about to be shown, and in
// the language in use then.
std::optional<std::string> CRKLocalizedString(const std::string& key);
// The table's text for the key, else the fallback.
std::string CRKLocalizedStringWithDefault(const std::string& key, const std::string& fallback);

}  // namespace reporting
