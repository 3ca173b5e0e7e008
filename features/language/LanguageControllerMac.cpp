#include "features/language/LanguageControllerMac.h"

#include <algorithm>

#include "app/records/DeviceLocalSettings.h"
#include "features/language/BundleLanguage.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {
bool isSupported(const std::string& code) {
    const auto& codes = supprotedLanguages();
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}
}  // namespace

LanguageControllerMac& LanguageControllerMac::shared() {
    static platform::SharedInstance<LanguageControllerMac> instance;
    return instance.get([] { return new LanguageControllerMac; });
}

void LanguageControllerMac::setupInitialLanguageIfNeeded() {
    // The bundle's own table answers from the start, whatever is stored.
    installLocalizableBundle();
    auto& settings = DeviceLocalSettings::shared();
    if (auto stored = settings.lastUsedLanguage()) {
        if (isSupported(*stored)) {
            setLocalizableLanguage(*stored);
        } else {
            platform::logf("Language: the stored \"%s\" is not supported; the bundle's own table answers",
                           stored->c_str());
        }
        return;
    }
    const std::string language = languageToBeUsedFromSupportedLanguages();
    setLocalizableLanguage(language);
    settings.setLastUsedLanguage(language);
}

void LanguageControllerMac::updateLanguageIfNeeded_didUpdateCallback(
    const std::optional<std::string>& code, const std::function<void()>& didUpdateCallback) {
    if (!code || code->empty()) return;
    auto& settings = DeviceLocalSettings::shared();
    if (settings.lastUsedLanguage() == *code) return;
    if (!isSupported(*code)) return;
    if (currentlyUsedLanguageLangKey() == *code) return;
    setLocalizableLanguage(*code);
    platform::logf("Language: now %s", code->c_str());
    platform::NotificationCenter::defaultCenter().post(kUpdateLanguageNotification, this);
    settings.setLastUsedLanguage(*code);
    if (didUpdateCallback) didUpdateCallback();
}

}  // namespace kestrune
