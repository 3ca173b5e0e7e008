#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The user's preferred languages, most preferred first, as language tags ("pt-BR", "zh-Hans-CN"), read
// from the environment the way gettext does: the colon-separated LANGUAGE list, then the first set of
// LC_ALL, LC_MESSAGES and LANG. The C and POSIX locales name no language. A test may set the list.
class PreferredLanguages {
public:
    static std::vector<std::string> current();
    // "pt_BR.UTF-8" → "pt-BR"; "zh_CN" and "zh_SG" → "zh-Hans-CN" and "zh-Hans-SG"; "zh_TW" and "zh_HK" →
    // "zh-Hant-TW" and "zh-Hant-HK"; "C", "POSIX" and an empty name → none.
    static std::optional<std::string> tagForLocaleName(std::string_view name);

    static void setForTesting(std::optional<std::vector<std::string>> languages);
};

}  // namespace platform
