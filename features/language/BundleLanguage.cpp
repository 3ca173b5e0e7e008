#include "features/language/BundleLanguage.h"

#include <mutex>

#include "app/support/Localizable.h"
#include "app/support/StringAddition.h"
#include "features/language/BundleEx.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/StringsTable.h"
#include "platform/system/Bundle.h"
#include "platform/system/PreferredLanguages.h"

namespace kestrune {

void installLocalizableBundle() {
    // Installed again on every call, not once per process: whoever replaced the lookup in between (a
    // test's own table) must not leave `localizable` answering from it for good.
    setLocalizedStringLookup([](const std::string& key) { return BundleEx::shared().textForKey(key); });
}

void setLocalizableLanguage(const std::optional<std::string>& code) {
    installLocalizableBundle();
    if (code && !code->empty() && code->find('/') == std::string::npos && *code != "." && *code != "..") {
        const std::string folder = platform::Bundle::main().resourcePath() + "/" + *code + ".lproj";
        if (platform::Files::isDirectory(folder)) {
            BundleEx::shared().attachLanguageBundle(folder);
            return;
        }
        platform::logf("Language: no resources for \"%s\"; the bundle's own table answers", code->c_str());
    }
    BundleEx::shared().attachLanguageBundle(std::nullopt);
}

namespace {
std::mutex gGalleryLanguageMutex;
std::string gGalleryLanguage = BundleEx::kDevelopmentLanguage;
}  // namespace

void setGalleryLanguage(const std::string& code) {
    std::lock_guard lock(gGalleryLanguageMutex);
    gGalleryLanguage = code;
}

void useGalleryLanguage() {
    std::string code;
    {
        std::lock_guard lock(gGalleryLanguageMutex);
        code = gGalleryLanguage;
    }
    setLocalizableLanguage(code);
}

const std::vector<std::string>& supprotedLanguages() {
    static const std::vector<std::string> codes = {"en", "de", "zh-Hans", "zh-Hant", "ar",    "ru", "es",
                                                   "ja", "ko", "it",      "pt",      "pt-PT", "fr", "nl"};
    return codes;
}

std::vector<std::string> prefferedLanguages() {
    return platform::PreferredLanguages::current();
}

std::optional<std::string> currentlyPrefferedLanguage() {
    auto languages = prefferedLanguages();
    if (languages.empty()) return std::nullopt;
    return languages.front();
}

std::string currentlyUsedLanguageLangKey() {
    return localizable("lang");
}

std::string languageToBeUsedFromSupportedLanguages() {
    return languageToBeUsedFromSupportedLanguages(prefferedLanguages());
}

std::string languageToBeUsedFromSupportedLanguages(const std::vector<std::string>& preferred) {
    for (const auto& language : preferred)
        for (const auto& code : supprotedLanguages())
            if (platform::caseInsensitiveCompare(language, code) == 0) return code;
    for (const auto& language : preferred)
        for (const auto& code : supprotedLanguages())
            if (isPartOfOrContains(language, code)) return code;
    return "en";
}

std::vector<std::string> allTranlationsForLocalizableKey(const std::string& key) {
    // The tables of the bundle in use, looked up once per bundle path and then kept.
    static std::mutex mutex;
    static std::string bundlePath;
    static std::vector<std::shared_ptr<const platform::StringsTable::Map>> tables;
    std::vector<std::shared_ptr<const platform::StringsTable::Map>> current;
    {
        std::lock_guard lock(mutex);
        const std::string& path = platform::Bundle::main().resourcePath();
        if (path != bundlePath || tables.empty()) {
            tables.clear();
            for (const auto& code : supprotedLanguages())
                tables.push_back(platform::StringsTable::tableAtPath(BundleEx::tablePathForLanguage(code)));
            bundlePath = path;
        }
        current = tables;
    }
    std::vector<std::string> texts;
    for (const auto& table : current) {
        if (!table) continue;
        auto it = table->find(key);
        if (it != table->end()) texts.push_back(it->second);
    }
    return texts;
}

}  // namespace kestrune
