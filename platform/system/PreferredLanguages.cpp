#include "platform/system/PreferredLanguages.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <unordered_set>

#include "platform/base/Strings.h"

namespace platform {

namespace {
std::mutex gOverrideMutex;
std::optional<std::vector<std::string>> gLanguagesOverride;

std::string_view variable(const char* name) {
    const char* value = getenv(name);
    return value ? std::string_view(value) : std::string_view();
}
}  // namespace

std::optional<std::string> PreferredLanguages::tagForLocaleName(std::string_view name) {
    // Encoding and modifier are not part of the language: "de_DE.UTF-8@euro".
    name = name.substr(0, std::min(name.find('.'), name.find('@')));
    if (name.empty() || name == "C" || name == "POSIX") return std::nullopt;
    std::string tag = replaceAll(std::string(name), "_", "-");
    if (tag == "zh-CN" || tag == "zh-SG") return "zh-Hans-" + tag.substr(3);
    if (tag == "zh-TW" || tag == "zh-HK") return "zh-Hant-" + tag.substr(3);
    return tag;
}

std::vector<std::string> PreferredLanguages::current() {
    {
        std::lock_guard lock(gOverrideMutex);
        if (gLanguagesOverride) return *gLanguagesOverride;
    }
    std::vector<std::string> tags;
    // The first place of each tag counts. LANGUAGE may be long: a set of those seen keeps this one pass
    // rather than a search of the list so far for every tag.
    std::unordered_set<std::string> seen;
    auto add = [&](std::string_view name) {
        auto tag = tagForLocaleName(name);
        if (tag && seen.insert(*tag).second) tags.push_back(std::move(*tag));
    };
    std::string_view locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = variable(name);
        if (!locale.empty()) break;
    }
    // gettext ignores LANGUAGE when the locale itself is C.
    if (tagForLocaleName(locale) || locale.empty()) {
        for (const auto& part : split(variable("LANGUAGE"), ":")) add(part);
    }
    add(locale);
    return tags;
}

void PreferredLanguages::setForTesting(std::optional<std::vector<std::string>> languages) {
    std::lock_guard lock(gOverrideMutex);
    gLanguagesOverride = std::move(languages);
}

}  // namespace platform
