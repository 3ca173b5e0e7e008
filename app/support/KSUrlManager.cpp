#include "app/support/KSUrlManager.h"

#include <cctype>
#include <cstdlib>

#include "app/support/URLOpener.h"
#include "platform/system/Bundle.h"

namespace kestrune {

namespace {
const std::string kSite = KSUrlManager::kWebsite;
const std::string kStoreId = KSUrlManager::kStoreIdentifier;
}  // namespace

std::string KSUrlManager::percentEncoded(const std::string& text) {
    static const char* kHex = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : text) {
        if (isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return encoded;
}

void KSUrlManager::openLink(const std::string& link) {
    URLOpener::current()->openURL(link);
}

namespace {
// A build points at its feeds through the environment or its Info.plist; one that does not asks hosts
// in the reserved ".invalid" domain, which never resolve, so nothing is sent anywhere.
std::string configuredAddress(const char* environmentVariable, const char* infoKey, const char* fallback) {
    if (const char* value = std::getenv(environmentVariable); value && *value) return value;
    const platform::Value info = platform::Bundle::main().objectForInfoDictionaryKey(infoKey);
    if (info.string() && !info.string()->empty()) return *info.string();
    return fallback;
}
}  // namespace

std::string KSUrlManager::feedUrlSparkleString() {
    return configuredAddress(kUpdateFeedEnvironmentVariable, kUpdateFeedInfoKey, kUnconfiguredUpdateFeed);
}
std::string KSUrlManager::feedUrlCustomConfig() {
    return configuredAddress(kConfigEnvironmentVariable, kConfigInfoKey, kUnconfiguredConfig);
}
void KSUrlManager::openKestruneHomescreen() {
    openLink(kSite);
}
void KSUrlManager::openKestruneOfficialWebsite() {
    openLink(kSite);
}
void KSUrlManager::openFAQLink() {
    openLink(kSite + "/faq");
}
void KSUrlManager::openKestruneUpdateWebsite() {
    openLink(kSite + "/update");
}
void KSUrlManager::openiOSAppInAppStore() {
    openLink("https://apps.apple.com/app/id" + kStoreId);
}
void KSUrlManager::openAppInAppStore() {
    openLink("itms-apps://itunes.apple.com/app/id" + kStoreId);
}

void KSUrlManager::openRatingPage() {
    openLink("itms-apps://itunes.apple.com/WebObjects/MZStore.woa/wa/viewContentsUserReviews?id=" + kStoreId +
             "&onlyLatestVersion=true&pageNumber=0&sortOrdering=1&type=Purple+Software");
}

void KSUrlManager::openFbShareLink() {
    openLink("https://www.facebook.com/sharer/sharer.php?u=" + percentEncoded(kSite));
}

void KSUrlManager::openTwitterShareLink() {
    const std::string invitation =
        "Try Kestrune: the Mac locks when you walk away with your iPhone and unlocks when you come back. " +
        kSite + " #Kestrune @kestrune";
    openLink("https://twitter.com/home?status=" + percentEncoded(invitation));
}

void KSUrlManager::openLanguageLink(const std::string& language) {
    openLink(std::string(kTranslationWebsite) + "/language?language=" + language);
}

void KSUrlManager::openEnglish() {
    openLanguageLink("english");
}
void KSUrlManager::openSpanish() {
    openLanguageLink("spanish");
}
void KSUrlManager::openGerman() {
    openLanguageLink("german");
}
void KSUrlManager::openDutch() {
    openLanguageLink("dutch");
}
void KSUrlManager::openItalian() {
    openLanguageLink("italian");
}
void KSUrlManager::openArabic() {
    openLanguageLink("arabic");
}
void KSUrlManager::openFrench() {
    openLanguageLink("french");
}
void KSUrlManager::openPortuguese() {
    openLanguageLink("portuguese");
}
void KSUrlManager::openJapanese() {
    openLanguageLink("japanese");
}
void KSUrlManager::openChinese() {
    openLanguageLink("chinese");
}
void KSUrlManager::openKorean() {
    openLanguageLink("korean");
}
void KSUrlManager::openRussian() {
    openLanguageLink("russian");
}

}  // namespace kestrune
