// The support and feedback e-mails: the diagnostic body with and without a tracked phone, and mailto
// addresses that a URL parser reads back to the texts that went in.

#include <glib.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <map>

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "app/support/URLOpener.h"
#include "features/sharing/EmailComposer.h"
#include "features/sharing/ShareImageModel.h"
#include "features/sharing/SocialManager.h"
#include "platform/base/Number.h"
#include "platform/system/Bundle.h"
#include "platform/system/SystemVersion.h"
#include "tests/support/TestEnvironment.h"

namespace kestrune {
namespace {

using platform::Number;

constexpr const char* kBodyWithoutPhone =
    "%0A%0A%0A***********************************************%0A%0A"
    "Kestrune OSX Version 2.5.1%0AOSX Version%2010.14.6%20%0ADevice: MacBookPro15,1%0A";

class EmailComposerTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        platform::SystemVersion::setOverride("10.14.6");
        setenv("KESTRUNE_MACHINE_MODEL", "MacBookPro15,1", 1);
        auto info = platform::Bundle::main().infoDictionary();
        info["CFBundleShortVersionString"] = "2.5.1";
        platform::Bundle::main().setInfoDictionaryForTesting(info);
        URLOpener::resetRecordedURLsForTesting();
    }
    void TearDown() override {
        DataManager::resetSharedForTesting();
        platform::Bundle::main().reload();
        unsetenv("KESTRUNE_MACHINE_MODEL");
        platform::SystemVersion::setOverride(std::nullopt);
        KestruneTest::TearDown();
    }

    // A paired phone the data manager tracks, of the given model and (optionally) versions.
    static void trackPhone(const std::string& model, std::optional<std::string> system,
                           std::optional<std::string> application) {
        auto& manager = DataManager::shared();
        auto phone = MobileDevice::initWithUnId("phone-1");
        phone->mobileDeviceInfo()->setDeviceType(model);
        auto settings = MobileSettings::initWithUnId("phone-1");
        settings->pairingInfo()->setConnectionStatus(Number(PairingInfo::kConnectionStatusPaired));
        settings->iOSSettings()->setIOSSystemVersion(std::move(system));
        settings->iOSSettings()->setIOSVersion(std::move(application));
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
    }

    // The address through GLib's URL parser: its path and its decoded query parameters.
    static std::pair<std::string, std::map<std::string, std::string>> parsed(const std::string& url) {
        GError* error = nullptr;
        GUri* uri = g_uri_parse(url.c_str(), G_URI_FLAGS_ENCODED_QUERY, &error);
        EXPECT_TRUE(uri) << (error ? error->message : "");
        if (!uri) {
            g_clear_error(&error);
            return {};
        }
        std::pair<std::string, std::map<std::string, std::string>> out{g_uri_get_path(uri), {}};
        GHashTable* params = g_uri_parse_params(g_uri_get_query(uri), -1, "&", G_URI_PARAMS_NONE, &error);
        EXPECT_TRUE(params) << (error ? error->message : "");
        if (params) {
            GHashTableIter it;
            gpointer key, value;
            g_hash_table_iter_init(&it, params);
            while (g_hash_table_iter_next(&it, &key, &value))
                out.second[static_cast<char*>(key)] = static_cast<char*>(value);
            g_hash_table_unref(params);
        }
        g_clear_error(&error);
        g_uri_unref(uri);
        return out;
    }
};

TEST_F(EmailComposerTest, WithoutATrackedPhoneTheBodyEndsAfterTheDeviceLine) {
    EXPECT_EQ(EmailComposer::getEmailBodySignature(), kBodyWithoutPhone);
    // A phone that is stored but not paired is not the tracked one.
    trackPhone("iPhone10,6", "14.4", "3.6.1");
    (*DataManager::shared().model()->dictOfMobileDeviceSettings())["phone-1"]
        ->pairingInfo()
        ->setConnectionStatus(Number(1));
    EXPECT_EQ(EmailComposer::getEmailBodySignature(), kBodyWithoutPhone);
}

TEST_F(EmailComposerTest, ATrackedPhoneAddsItsModelAndTheVersionsItReported) {
    trackPhone("iPhone10,6", "14.4", "3.6.1");
    EXPECT_EQ(EmailComposer::getEmailBodySignature(),
              std::string(kBodyWithoutPhone) +
                  "---%0AiOS Device: iPhone10,6%0AiOS: 14.4%0AKestrune iOS Version 3.6.1%0A");
    trackPhone("iPhone10,6", std::nullopt, std::nullopt);
    EXPECT_EQ(EmailComposer::getEmailBodySignature(),
              std::string(kBodyWithoutPhone) + "---%0AiOS Device: iPhone10,6%0A");
}

TEST_F(EmailComposerTest, SupportAndFeedbackOpenTheirAddressesWithBlanksEscaped) {
    EmailComposer::sendSupportEmail();
    EmailComposer::sendFeedbackEmail();
    const auto urls = URLOpener::recordedURLs();
    ASSERT_EQ(urls.size(), 2u);
    EXPECT_EQ(urls[0], std::string("mailto:support@kestrune.com?Subject=Kestrune%20OSX%20Issues&body=") +
                           "%0A%0A%0A***********************************************%0A%0A"
                           "Kestrune%20OSX%20Version%202.5.1%0AOSX%20Version%2010.14.6%20%0A"
                           "Device:%20MacBookPro15,1%0A");
    EXPECT_EQ(urls[1].rfind("mailto:contact@kestrune.com?Subject=Kestrune%20OSX%20Feedback&body=", 0), 0u);
    EXPECT_EQ(urls[0].find(' '), std::string::npos);

    EXPECT_EQ(EmailComposer::newLines(0), "");
    EXPECT_EQ(EmailComposer::newLines(-2), "");
    EXPECT_EQ(EmailComposer::newLines(2), "%0A%0A");
}

TEST_F(EmailComposerTest, NamesWithAmpersandsHashesAndAccentsSurviveTheAddress) {
    trackPhone("Ann & Bob's #1 café", "14.4?", "100%");
    EmailComposer::sendEmailWithMail_Address_Subject_Body("support@kestrune.com", "support@kestrune.com",
                                                          "Help & more #2?",
                                                          EmailComposer::getEmailBodySignature());
    const std::string url = URLOpener::recordedURLs().back();
    const auto [path, params] = parsed(url);
    EXPECT_EQ(path, "support@kestrune.com");
    EXPECT_EQ(params.size(), 2u);
    EXPECT_EQ(params.at("Subject"), "Help & more #2?");
    const std::string& body = params.at("body");
    // Each "%0A" is one line break, never escaped a second time.
    EXPECT_NE(body.find("\n---\niOS Device: Ann & Bob's #1 café\niOS: 14.4?\nKestrune iOS Version 100%\n"),
              std::string::npos)
        << body;
    EXPECT_EQ(body.find("%0A"), std::string::npos);
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 12);
    EXPECT_EQ(EmailComposer::mailtoEscaped("a b\té<\"x\">"), "a%20b%09%C3%A9%3C%22x%22%3E");
}

TEST_F(EmailComposerTest, AnEqualsSignInsideAValueIsEscapedSoOnlyTheFieldsHaveOne) {
    trackPhone("Model=X", "a=b", "1.0");
    EmailComposer::sendEmailWithMail_Address_Subject_Body("support@kestrune.com", "support@kestrune.com",
                                                          "x=1&y=2", EmailComposer::getEmailBodySignature());
    const std::string url = URLOpener::recordedURLs().back();
    // "Subject=" and "body=": no other "=" for a reader to split a field at.
    EXPECT_EQ(std::count(url.begin(), url.end(), '='), 2) << url;
    EXPECT_NE(url.find("?Subject=x%3D1%26y%3D2&body="), std::string::npos) << url;
    EXPECT_NE(url.find("iOS%20Device:%20Model%3DX%0AiOS:%20a%3Db%0A"), std::string::npos) << url;
    EXPECT_EQ(parsed(url).second.at("Subject"), "x=1&y=2");
    EXPECT_EQ(EmailComposer::mailtoEscaped("%&#?="), "%25%26%23%3F%3D");
}

TEST_F(EmailComposerTest, RecommendingOpensTheShareLinks) {
    SocialManager::shareOnFacebook();
    SocialManager::shareOnTwitter();
    const auto urls = URLOpener::recordedURLs();
    ASSERT_EQ(urls.size(), 2u);
    EXPECT_NE(urls[0].find("facebook"), std::string::npos);
    EXPECT_NE(urls[1].find("twitter"), std::string::npos);
}

TEST_F(EmailComposerTest, AShareItemOffersThePicturesTypesThenAPromisedFile) {
    ShareImageModel item;
    item.setText("Busted with Kestrune!");
    EXPECT_EQ(item.writableTypesForPasteboard(),
              std::vector<std::string>{"com.apple.pasteboard.promised-file-content-type"});
    item.setImage(platform::ui::Image::create({10, 10}));
    EXPECT_EQ(item.writableTypesForPasteboard(),
              (std::vector<std::string>{"public.tiff", "public.png",
                                        "com.apple.pasteboard.promised-file-content-type"}));
    EXPECT_FALSE(item.pasteboardPropertyListForType("public.png"));
}

}  // namespace
}  // namespace kestrune
