#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// The interface language on the main bundle: which languages the application has, which the user
// prefers, and which string table answers `localizable`.

// Attaches the language bundle of the code ("<code>.lproj" in the resources) to the main bundle, or
// detaches any for none or for a code without its folder. It makes `localizable` answer through BundleEx,
// and tells the text renderer the language the texts are now in (English when detached).
void setLocalizableLanguage(const std::optional<std::string>& code);
// Makes `localizable` answer through BundleEx; setLocalizableLanguage does it too.
void installLocalizableBundle();

// The language the interface's pictures (the `--snapshot` scenes) are drawn in: English, whatever the
// machine's language, unless the command line names another. The galleries apply it before they draw.
void setGalleryLanguage(const std::string& code);
void useGalleryLanguage();

// "en", "de", "zh-Hans", "zh-Hant", "ar", "ru", "es", "ja", "ko", "it", "pt", "pt-PT", "fr", "nl".
const std::vector<std::string>& supprotedLanguages();
// The user's preferred languages, most preferred first, and the first of them (none when there is none).
std::vector<std::string> prefferedLanguages();
std::optional<std::string> currentlyPrefferedLanguage();
// The code of the table in use: its own text for "lang".
std::string currentlyUsedLanguageLangKey();
// The best supported match of the preferred languages: an exact match (ignoring case) over all of them
// first, then a code whose pieces lead the language's ("pt" for "pt-BR") or the other way round ("zh-Hans"
// for "zh"), whole pieces only ("es-AR" is Spanish, "kok" none), then "en".
std::string languageToBeUsedFromSupportedLanguages();
std::string languageToBeUsedFromSupportedLanguages(const std::vector<std::string>& preferred);
// The key's text in every supported language that has it, in the order of the codes. Tables are parsed
// once and kept.
std::vector<std::string> allTranlationsForLocalizableKey(const std::string& key);

}  // namespace kestrune
