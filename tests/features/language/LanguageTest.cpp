#include <stdlib.h>

#include <atomic>
#include <thread>

#include "app/records/DeviceLocalSettings.h"
#include "app/support/Localizable.h"
#include "features/language/BundleEx.h"
#include "features/language/BundleLanguage.h"
#include "features/language/LanguageControllerMac.h"
#include "platform/base/NotificationCenter.h"
#include "platform/storage/StringsTable.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "platform/system/PreferredLanguages.h"
#include "platform/ui/TextLanguage.h"
#include "tests/features/FeaturesFixture.h"

using namespace kestrune;
using platform::StringsTable;

namespace {

class LanguageTest : public featuretests::FeatureTest {
protected:
    // Three languages with texts of their own, "pt" and "pt-PT" holding only their code, "de" without
    // its folder.
    void useThreeLanguages() {
        useBundle({{"en", "\"lang\" = \"en\"; \"hello\" = \"Hello\"; \"only_en\" = \"English only\";"},
                   {"fr", "\"lang\" = \"fr\"; \"hello\" = \"Bonjour\";"},
                   {"es", "\"lang\" = \"es\"; \"hello\" = \"Hola\";"},
                   {"pt", "\"lang\" = \"pt\";"},
                   {"pt-PT", "\"lang\" = \"pt-PT\";"}});
    }

    int countLanguagePosts(const std::function<void()>& action) {
        int posts = 0;
        auto observation = platform::NotificationCenter::defaultCenter().addObserver(
            LanguageControllerMac::kUpdateLanguageNotification, nullptr,
            [&](const platform::Notification& n) {
                EXPECT_EQ(n.sender, &LanguageControllerMac::shared());
                ++posts;
            });
        action();
        return posts;
    }
};

TEST(StringsTableTest, PairsEscapesCommentsAndUnicode) {
    const char* text =
        "\xEF\xBB\xBF/* header\n comment */\n"
        "\"plain\" = \"text\";  // trailing comment\n"
        "\"escapes\" = \"a\\\"b\\\\c\\nd\\te\";\n"
        "\"unicode\" = \"caf\\U00e9 \\uD83D\\uDE00 \xC3\xBC\";\n"
        "bare_key = bare.value;\n"
        "\"twice\" = \"first\"; \"twice\" = \"second\";\n"
        "\"alone\";\n";
    auto map = StringsTable::parse(text);
    ASSERT_TRUE(map);
    EXPECT_EQ(map->at("plain"), "text");
    EXPECT_EQ(map->at("escapes"), "a\"b\\c\nd\te");
    EXPECT_EQ(map->at("unicode"), "caf\xC3\xA9 \xF0\x9F\x98\x80 \xC3\xBC");
    EXPECT_EQ(map->at("bare_key"), "bare.value");
    EXPECT_EQ(map->at("twice"), "second");
    EXPECT_EQ(map->at("alone"), "alone");
    EXPECT_EQ(map->size(), 6u);
}

TEST(StringsTableTest, RefusesBrokenTextWithItsLine) {
    const std::pair<const char*, size_t> broken[] = {
        {"\"a\" = \"b\"", 1},                // no semicolon
        {"\"a\" = \"b\";\n\"c\" = \"d", 2},  // quote not closed
        {"\"a\" = \"b\";\n\n/* open", 3},    // comment not closed
        {"\"a\" = ;", 1},                    // no value
        {"\"a\" = \"\\U12\";", 1},           // short escape
        {"\"a\" = \"\xFF\xFE\";", 1},        // not UTF-8
    };
    for (auto [text, line] : broken) {
        StringsTable::ParseError error{0, ""};
        EXPECT_FALSE(StringsTable::parse(text, &error)) << text;
        EXPECT_EQ(error.line, line) << text;
        EXPECT_FALSE(error.reason.empty());
    }
    EXPECT_TRUE(StringsTable::parse("  /* nothing */ \n")->empty());
}

TEST(PreferredLanguagesTest, LocaleNamesBecomeLanguageTags) {
    using platform::PreferredLanguages;
    EXPECT_EQ(PreferredLanguages::tagForLocaleName("pt_BR.UTF-8"), "pt-BR");
    EXPECT_EQ(PreferredLanguages::tagForLocaleName("de_DE@euro"), "de-DE");
    EXPECT_EQ(PreferredLanguages::tagForLocaleName("zh_CN.UTF-8"), "zh-Hans-CN");
    EXPECT_EQ(PreferredLanguages::tagForLocaleName("zh_SG"), "zh-Hans-SG");
    EXPECT_EQ(PreferredLanguages::tagForLocaleName("zh_TW"), "zh-Hant-TW");
    EXPECT_EQ(PreferredLanguages::tagForLocaleName("zh_HK.UTF-8"), "zh-Hant-HK");
    EXPECT_EQ(PreferredLanguages::tagForLocaleName("C.UTF-8"), std::nullopt);
    EXPECT_EQ(PreferredLanguages::tagForLocaleName("POSIX"), std::nullopt);
    EXPECT_EQ(PreferredLanguages::tagForLocaleName(""), std::nullopt);
}

TEST_F(LanguageTest, PreferredLanguagesComeFromTheEnvironmentInOrder) {
    platform::PreferredLanguages::setForTesting(std::nullopt);
    const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::map<std::string, std::optional<std::string>> saved;
    for (auto* name : names) {
        if (const char* v = getenv(name)) saved[name] = v;
        unsetenv(name);
    }
    setenv("LANGUAGE", "fr_CA:en", 1);
    setenv("LC_MESSAGES", "zh_TW.UTF-8", 1);
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(prefferedLanguages(), (std::vector<std::string>{"fr-CA", "en", "zh-Hant-TW"}));
    EXPECT_EQ(currentlyPrefferedLanguage(), "fr-CA");
    // Each tag once, where it first comes: names that differ in encoding or modifier alone are one tag,
    // and so is the locale when LANGUAGE named it already; empty and C parts name none.
    setenv("LANGUAGE", "de_AT:en::fr_CA:en:de_AT.UTF-8:zh_CN:C:zh_TW:zh_CN@x:fr_CA:zh_TW.UTF-8:en:nl", 1);
    setenv("LC_MESSAGES", "fr_CA.UTF-8", 1);
    EXPECT_EQ(prefferedLanguages(),
              (std::vector<std::string>{"de-AT", "en", "fr-CA", "zh-Hans-CN", "zh-Hant-TW", "nl"}));
    setenv("LC_ALL", "C", 1);  // the C locale silences LANGUAGE too
    EXPECT_TRUE(prefferedLanguages().empty());
    EXPECT_EQ(currentlyPrefferedLanguage(), std::nullopt);
    for (auto* name : names) {
        unsetenv(name);
        if (saved.count(name)) setenv(name, saved[name]->c_str(), 1);
    }
}

TEST_F(LanguageTest, BestMatchPrefersAnyExactMatchOverPartialOnes) {
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"fr-CA", "en"}), "en");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"fr-CA"}), "fr");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"pt-BR"}), "pt");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"PT-pt"}), "pt-PT");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"sv"}), "en");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"zh-Hans-CN"}), "zh-Hans");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"zh-Hant-HK"}), "zh-Hant");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({}), "en");
    EXPECT_EQ(supprotedLanguages().size(), 14u);
}

TEST_F(LanguageTest, PartialMatchesTakeWholePiecesOfTheTag) {
    // A supported code leading the language, or the language leading a code.
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"es-AR"}), "es");  // never "ar" inside "es-ar"
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"de-AT"}), "de");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"en-GB"}), "en");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"ar-SA"}), "ar");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"nl_BE"}), "nl");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"ZH"}), "zh-Hans");
    // A code found inside a piece, or ending the tag, is no match.
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"kok-IN"}), "en");  // not "ko" inside "kok"
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"kok-IN", "de"}), "de");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"ast-ES"}), "en");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"gsw-CH", "it-CH"}), "it");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({"zh-Hansi"}), "en");
    EXPECT_EQ(languageToBeUsedFromSupportedLanguages({""}), "en");
}

// The first launch as the application makes it, the preferred languages read from the environment.
TEST_F(LanguageTest, FirstLaunchUnderTheLocaleOfTheEnvironment) {
    platform::PreferredLanguages::setForTesting(std::nullopt);
    const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::map<std::string, std::string> saved;
    for (auto* name : names) {
        if (const char* v = getenv(name)) saved[name] = v;
        unsetenv(name);
    }
    const std::pair<const char*, const char*> launches[] = {
        {"es_AR.UTF-8", "es"},      {"pt_BR.UTF-8", "pt"}, {"en_GB.UTF-8", "en"},
        {"kok_IN.UTF-8", "en"},     {"de_AT.UTF-8", "de"}, {"zh_CN.UTF-8", "zh-Hans"},
        {"zh_TW.UTF-8", "zh-Hant"}, {"ru_RU.UTF-8", "ru"}, {"pt_PT.UTF-8", "pt-PT"}};
    for (const auto& [locale, code] : launches) {
        setenv("LANG", locale, 1);
        auto& settings = DeviceLocalSettings::shared();
        settings.userDefaults->removeObjectForKey("last_used_language");
        setLocalizableLanguage(std::nullopt);
        LanguageControllerMac::shared().setupInitialLanguageIfNeeded();
        EXPECT_EQ(currentlyUsedLanguageLangKey(), code) << locale;
        EXPECT_EQ(settings.lastUsedLanguage(), code) << locale;
    }
    for (auto* name : names) {
        unsetenv(name);
        if (saved.count(name)) setenv(name, saved[name].c_str(), 1);
    }
}

TEST_F(LanguageTest, TheProjectBundleHasEveryLanguageNamingItself) {
    for (const auto& code : supprotedLanguages()) {
        setLocalizableLanguage(code);
        EXPECT_EQ(currentlyUsedLanguageLangKey(), code);
        EXPECT_EQ(platform::ui::TextLanguage::current(), code);  // the faces the renderer picks
        // The language's own text when its table has one, else English.
        auto table = StringsTable::tableAtPath(BundleEx::tablePathForLanguage(code));
        ASSERT_TRUE(table) << code;
        auto own = table->find("mac_locked");
        EXPECT_EQ(localizable("mac_locked"), own != table->end() ? own->second : "Mac locked") << code;
    }
    EXPECT_EQ(allTranlationsForLocalizableKey("lang"), supprotedLanguages());
}

TEST_F(LanguageTest, GalleriesDrawInEnglishUnlessAnotherLanguageIsNamed) {
    setLocalizableLanguage("fr");
    useGalleryLanguage();
    EXPECT_EQ(currentlyUsedLanguageLangKey(), "en");
    setGalleryLanguage("de");
    useGalleryLanguage();
    EXPECT_EQ(currentlyUsedLanguageLangKey(), "de");
    EXPECT_EQ(localizable("mac_locked"), "Mac gesperrt");
}

// The main bundle's other tables (the crash kit's) follow the interface's language, which the application
// and its galleries choose, not the process locale: the kit reads them through the bundle alone.
TEST_F(LanguageTest, TheBundlesOtherTablesFollowTheInterfacesLanguage) {
    auto& bundle = platform::Bundle::main();
    const std::string key = "CrashKitCrashSubmissionCancelTitle";
    auto kitText = [&](const std::string& code) {
        const auto table = StringsTable::tableAtPath(BundleEx::tablePathForLanguage(code, "CrashKit"));
        EXPECT_TRUE(table && table->count(key)) << code;
        return table && table->count(key) ? std::optional<std::string>(table->at(key)) : std::nullopt;
    };
    platform::PreferredLanguages::setForTesting(std::vector<std::string>{"fr-FR"});
    for (const auto& code : supprotedLanguages()) {
        setLocalizableLanguage(code);
        EXPECT_EQ(bundle.localizationFolder(), BundleEx::shared().attachedLanguageBundlePath()) << code;
        EXPECT_EQ(bundle.localizedString(key, "CrashKit"), kitText(code)) << code;
    }
    setGalleryLanguage("ar");
    useGalleryLanguage();
    EXPECT_EQ(bundle.localizedString(key, "CrashKit"), kitText("ar"));
    EXPECT_NE(kitText("ar"), kitText("en"));
    // Detached (or a language without its folder): the development language's table.
    setLocalizableLanguage("sv");
    EXPECT_EQ(bundle.localizationFolder(), std::nullopt);
    EXPECT_EQ(bundle.localizedString(key, "CrashKit"), kitText("en"));
}

TEST_F(LanguageTest, FirstLaunchStoresTheBestMatchAndPostsNothing) {
    useThreeLanguages();
    platform::PreferredLanguages::setForTesting(std::vector<std::string>{"fr-CA"});
    int posts = countLanguagePosts([] { LanguageControllerMac::shared().setupInitialLanguageIfNeeded(); });
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(DeviceLocalSettings::shared().lastUsedLanguage(), "fr");
    EXPECT_EQ(localizable("hello"), "Bonjour");
    // A missing key comes from English, then as the key itself.
    EXPECT_EQ(localizable("only_en"), "English only");
    EXPECT_EQ(localizable("nowhere"), "nowhere");
    EXPECT_EQ(BundleEx::shared().localizedStringForKey_value_table("nowhere", "fallback", std::nullopt),
              "fallback");
}

TEST_F(LanguageTest, StoredLanguageIsAppliedOnlyWhenSupported) {
    useThreeLanguages();
    DeviceLocalSettings::shared().setLastUsedLanguage("es");
    LanguageControllerMac::shared().setupInitialLanguageIfNeeded();
    EXPECT_EQ(localizable("hello"), "Hola");

    setLocalizableLanguage(std::nullopt);
    DeviceLocalSettings::shared().setLastUsedLanguage("sv");
    LanguageControllerMac::shared().setupInitialLanguageIfNeeded();
    EXPECT_EQ(currentlyUsedLanguageLangKey(), "en");
    EXPECT_EQ(DeviceLocalSettings::shared().lastUsedLanguage(), "sv");
    EXPECT_TRUE(logged("\"sv\" is not supported"));
}

// Start-up itself puts the tables' look-up in place, whatever is stored: nothing else does in the
// application (here the fixture's own is taken away first).
TEST_F(LanguageTest, StartUpPutsTheTablesInPlaceWhateverIsStored) {
    const std::pair<std::optional<std::string>, const char*> launches[] = {
        {std::nullopt, "Mac locked"}, {"sv", "Mac locked"}, {"de", "Mac gesperrt"}};
    for (const auto& [stored, text] : launches) {
        SCOPED_TRACE(stored.value_or("nothing stored"));
        auto& settings = DeviceLocalSettings::shared();
        settings.userDefaults->removeObjectForKey("last_used_language");
        if (stored) settings.setLastUsedLanguage(*stored);
        setLocalizedStringLookup(nullptr);
        BundleEx::shared().resetForTesting();
        ASSERT_EQ(localizable("mac_locked"), "mac_locked");
        LanguageControllerMac::shared().setupInitialLanguageIfNeeded();
        EXPECT_EQ(localizable("mac_locked"), text);
    }
}

TEST_F(LanguageTest, PhoneLanguageSwitchesOnlyWhenItDiffers) {
    useThreeLanguages();
    DeviceLocalSettings::shared().setLastUsedLanguage("pt");
    LanguageControllerMac::shared().setupInitialLanguageIfNeeded();
    int calls = 0;
    auto update = [&](std::optional<std::string> code) {
        return countLanguagePosts([&] {
            LanguageControllerMac::shared().updateLanguageIfNeeded_didUpdateCallback(code, [&] { ++calls; });
        });
    };
    EXPECT_EQ(update("pt"), 0);          // the stored one
    EXPECT_EQ(update(std::nullopt), 0);  // none
    EXPECT_EQ(update("sv"), 0);          // unsupported
    EXPECT_EQ(calls, 0);
    // In use although another is stored: nothing to switch.
    DeviceLocalSettings::shared().setLastUsedLanguage("en");
    EXPECT_EQ(update("pt"), 0);
    DeviceLocalSettings::shared().setLastUsedLanguage("pt");

    EXPECT_EQ(update("pt-PT"), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(currentlyUsedLanguageLangKey(), "pt-PT");
    EXPECT_EQ(DeviceLocalSettings::shared().lastUsedLanguage(), "pt-PT");
    EXPECT_EQ(update("pt-PT"), 0);
}

TEST_F(LanguageTest, SupportedCodeWithoutItsFolderDetaches) {
    useThreeLanguages();
    setLocalizableLanguage("fr");
    EXPECT_EQ(localizable("hello"), "Bonjour");
    EXPECT_EQ(platform::ui::TextLanguage::current(), "fr");
    setLocalizableLanguage("de");  // supported, but this bundle has no de.lproj
    EXPECT_EQ(BundleEx::shared().attachedLanguageBundlePath(), std::nullopt);
    EXPECT_EQ(localizable("hello"), "Hello");
    EXPECT_EQ(platform::ui::TextLanguage::current(), "en");  // the texts are English, and so their faces
    setLocalizableLanguage("../fr");                         // never a path outside the bundle
    EXPECT_EQ(BundleEx::shared().attachedLanguageBundlePath(), std::nullopt);
}

TEST_F(LanguageTest, AllTranslationsInCodeOrderReadEachFileOnce) {
    useThreeLanguages();
    EXPECT_EQ(allTranlationsForLocalizableKey("hello"),
              (std::vector<std::string>{"Hello", "Hola", "Bonjour"}));
    EXPECT_EQ(allTranlationsForLocalizableKey("only_en"), (std::vector<std::string>{"English only"}));
    EXPECT_TRUE(allTranlationsForLocalizableKey("nowhere").empty());
    // The tables are kept: removing the files changes nothing.
    platform::Files::remove(home() + "/Bundle/es.lproj");
    EXPECT_EQ(allTranlationsForLocalizableKey("hello").size(), 3u);
}

TEST_F(LanguageTest, MalformedTableIsNotUsed) {
    useBundle({{"en", "\"lang\" = \"en\"; \"hello\" = \"Hello\";"}, {"fr", "\"lang\" = \"fr\" \"hello\""}});
    setLocalizableLanguage("fr");
    EXPECT_EQ(localizable("hello"), "Hello");
    EXPECT_TRUE(logged("fr.lproj/Localizable.strings line 1"));
}

TEST_F(LanguageTest, LookupsFromOtherThreadsDuringSwitches) {
    useThreeLanguages();
    std::atomic<bool> stop{false};
    std::atomic<int> unexpected{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                std::string text = localizable("hello");
                if (text != "Hello" && text != "Bonjour" && text != "Hola") ++unexpected;
            }
        });
    }
    for (int i = 0; i < 300; ++i) setLocalizableLanguage(i % 3 == 0 ? "fr" : i % 3 == 1 ? "es" : "en");
    stop = true;
    for (auto& reader : readers) reader.join();
    EXPECT_EQ(unexpected.load(), 0);
}

}  // namespace
