#include "app/support/KSUrlManager.h"

#include <gtest/gtest.h>

#include "app/support/URLOpener.h"
#include "platform/system/Bundle.h"

namespace {

using kestrune::KSUrlManager;

std::string opened(void (*operation)()) {
    kestrune::URLOpener::resetRecordedURLsForTesting();
    operation();
    auto urls = kestrune::URLOpener::recordedURLs();
    return urls.size() == 1 ? urls[0] : "(" + std::to_string(urls.size()) + " addresses)";
}

TEST(KSUrlManagerTest, EachOperationOpensItsAddress) {
    const std::string site = KSUrlManager::kWebsite;
    const std::string id = KSUrlManager::kStoreIdentifier;
    const std::string languages = std::string(KSUrlManager::kTranslationWebsite) + "/language?language=";
    const std::pair<void (*)(), std::string> cases[] = {
        {&KSUrlManager::openKestruneHomescreen, site},
        {&KSUrlManager::openKestruneOfficialWebsite, site},
        {&KSUrlManager::openFAQLink, site + "/faq"},
        {&KSUrlManager::openKestruneUpdateWebsite, site + "/update"},
        {&KSUrlManager::openiOSAppInAppStore, "https://apps.apple.com/app/id" + id},
        {&KSUrlManager::openAppInAppStore, "itms-apps://itunes.apple.com/app/id" + id},
        {&KSUrlManager::openRatingPage,
         "itms-apps://itunes.apple.com/WebObjects/MZStore.woa/wa/viewContentsUserReviews?id=" + id +
             "&onlyLatestVersion=true&pageNumber=0&sortOrdering=1&type=Purple+Software"},
        {&KSUrlManager::openFbShareLink,
         "https://www.facebook.com/sharer/sharer.php?u=https%3A%2F%2Fkestrune.com"},
        {&KSUrlManager::openEnglish, languages + "english"},
        {&KSUrlManager::openPortuguese, languages + "portuguese"},
        {&KSUrlManager::openRussian, languages + "russian"},
    };
    for (const auto& [operation, expected] : cases) EXPECT_EQ(opened(operation), expected);
    EXPECT_EQ(opened(&KSUrlManager::openKestruneSettings), "(0 addresses)");
}

TEST(KSUrlManagerTest, TheFeedsComeFromTheEnvironmentThenTheInfoPlistElseFailAtOnce) {
    auto& bundle = platform::Bundle::main();
    const auto info = bundle.infoDictionary();
    unsetenv(KSUrlManager::kUpdateFeedEnvironmentVariable);
    unsetenv(KSUrlManager::kConfigEnvironmentVariable);
    EXPECT_EQ(KSUrlManager::feedUrlSparkleString(), "https://kestrune.invalid/downloads/kestrune.xml");
    EXPECT_EQ(KSUrlManager::feedUrlCustomConfig(), "https://kestrune.invalid/downloads/config.xml");

    auto configured = info;
    configured[KSUrlManager::kUpdateFeedInfoKey] = "http://127.0.0.1:9/feed.plist";
    configured[KSUrlManager::kConfigInfoKey] = "http://127.0.0.1:9/config.plist";
    bundle.setInfoDictionaryForTesting(configured);
    EXPECT_EQ(KSUrlManager::feedUrlSparkleString(), "http://127.0.0.1:9/feed.plist");
    setenv(KSUrlManager::kConfigEnvironmentVariable, "http://localhost:8/c.plist", 1);
    EXPECT_EQ(KSUrlManager::feedUrlCustomConfig(), "http://localhost:8/c.plist");
    unsetenv(KSUrlManager::kConfigEnvironmentVariable);
    bundle.setInfoDictionaryForTesting(info);
}

TEST(KSUrlManagerTest, ALanguageWordIsAppendedUnchangedAndTheInvitationIsEncoded) {
    kestrune::URLOpener::resetRecordedURLsForTesting();
    KSUrlManager::openLanguageLink("brazilian portuguese&x=1");
    EXPECT_EQ(kestrune::URLOpener::recordedURLs().back(),
              std::string(KSUrlManager::kTranslationWebsite) + "/language?language=brazilian portuguese&x=1");
    const std::string twitter = opened(&KSUrlManager::openTwitterShareLink);
    EXPECT_EQ(twitter.rfind("https://twitter.com/home?status=Try%20Kestrune", 0), 0u) << twitter;
    EXPECT_NE(twitter.find("https%3A%2F%2Fkestrune.com%20%23Kestrune%20%40kestrune"), std::string::npos)
        << twitter;
}

}  // namespace
