#include "features/language/BundleLanguage.h"

#include <algorithm>
#include <mutex>

#include "app/support/Localizable.h"
#include "features/language/BundleEx.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/StringsTable.h"
#include "platform/system/Bundle.h"
#include "platform/system/PreferredLanguages.h"
#include "platform/ui/TextLanguage.h"

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
            // The texts are now in this language: the renderer draws Han characters and kana in its faces.
            platform::ui::TextLanguage::set(*code);
            return;
        }
        platform::logf("Language: no resources for \"%s\"; the bundle's own table answers", code->c_str());
    }
    BundleEx::shared().attachLanguageBundle(std::nullopt);
    platform::ui::TextLanguage::set(BundleEx::kDevelopmentLanguage);
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
    // Never destroyed: background work reads it until the process ends.
    static const auto& codes = *new std::vector<std::string>{
        "en", "de", "zh-Hans", "zh-Hant", "ar", "ru", "es", "ja", "ko", "it", "pt", "pt-PT", "fr", "nl"};
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

namespace {

// The pieces of a language tag, lower-cased: "zh-Hans-CN" is zh, hans, cn ("_" separates them too).
std::vector<std::string> tagPieces(const std::string& tag) {
    std::vector<std::string> pieces;
    for (const auto& piece : platform::split(platform::replaceAll(tag, "_", "-"), "-"))
        pieces.push_back(platform::toLowerASCII(piece));
    return pieces;
}

// Whether the tag's leading pieces are the other's pieces, all of them: "pt" leads "pt-BR" and
// "zh-Hans" leads "zh-Hans-CN", but "ar" does not lead "es-AR", nor "ko" "kok".
bool ledBy(const std::vector<std::string>& tag, const std::vector<std::string>& lead) {
    return !lead.empty() && lead.size() <= tag.size() && std::equal(lead.begin(), lead.end(), tag.begin());
}

}  // namespace

std::string languageToBeUsedFromSupportedLanguages(const std::vector<std::string>& preferred) {
    for (const auto& language : preferred)
        for (const auto& code : supprotedLanguages())
            if (platform::caseInsensitiveCompare(language, code) == 0) return code;
    // Then the language a supported code is the beginning of, or the code the language is the
    // beginning of ("zh" for "zh-Hans"), whole pieces only: a code found anywhere inside a tag would
    // give Arabic for Argentinian Spanish and Korean for Konkani.
    for (const auto& language : preferred) {
        const auto pieces = tagPieces(language);
        for (const auto& code : supprotedLanguages()) {
            const auto codePieces = tagPieces(code);
            if (ledBy(pieces, codePieces) || ledBy(codePieces, pieces)) return code;
        }
    }
    return "en";
}

std::vector<std::string> allTranlationsForLocalizableKey(const std::string& key) {
    // The tables of the bundle in use, looked up once per bundle path and then kept for good: the history's
    // import reads them on a worker.
    static std::mutex mutex;
    static auto& bundlePath = *new std::string;
    static auto& tables = *new std::vector<std::shared_ptr<const platform::StringsTable::Map>>;
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
