#pragma once

#include <string>

namespace kestrune {

// The application's web addresses: the product site, the update feed and configuration document, the
// phone application in the store, sharing, and the translation-help pages. Opening goes through the
// URL opener; nothing is reported back.
class KSUrlManager {
public:
    static constexpr const char* kWebsite = "https://kestrune.com";
    static constexpr const char* kTranslationWebsite = "https://translate.kestrune.com";
    static constexpr const char* kStoreIdentifier = "1361749302";

    static void openLink(const std::string& link);

    // Where the update feed and the configuration document are read: the environment variable first,
    // then the Info.plist key, else an address that fails at once.
    static constexpr const char* kUpdateFeedEnvironmentVariable = "KESTRUNE_UPDATE_FEED_URL";
    static constexpr const char* kUpdateFeedInfoKey = "KestruneUpdateFeedURL";
    static constexpr const char* kUnconfiguredUpdateFeed = "https://kestrune.invalid/downloads/kestrune.xml";
    static constexpr const char* kConfigEnvironmentVariable = "KESTRUNE_CONFIG_URL";
    static constexpr const char* kConfigInfoKey = "KestruneConfigURL";
    static constexpr const char* kUnconfiguredConfig = "https://kestrune.invalid/downloads/config.xml";
    static std::string feedUrlSparkleString();
    static std::string feedUrlCustomConfig();
    static void openKestruneHomescreen();
    static void openKestruneOfficialWebsite();
    static void openFAQLink();
    static void openKestruneUpdateWebsite();
    static void openiOSAppInAppStore();
    static void openAppInAppStore();
    static void openRatingPage();
    static void openFbShareLink();
    static void openTwitterShareLink();
    // The word is appended to the query as given, without escaping.
    static void openLanguageLink(const std::string& language);
    static void openEnglish();
    static void openSpanish();
    static void openGerman();
    static void openDutch();
    static void openItalian();
    static void openArabic();
    static void openFrench();
    static void openPortuguese();
    static void openJapanese();
    static void openChinese();
    static void openKorean();
    static void openRussian();
    static void openKestruneSettings() {}

    // Percent-escapes every byte but letters, digits and "-._~".
    static std::string percentEncoded(const std::string& text);
};

}  // namespace kestrune
