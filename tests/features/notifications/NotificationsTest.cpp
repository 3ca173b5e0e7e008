#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "features/language/TextFormat.h"
#include "features/notifications/KSAutoHideNotificationPresenter.h"
#include "features/notifications/KSSpecificNotificationManager.h"
#include "features/notifications/KestruneNotificationManager.h"
#include "features/notifications/NotificationsController.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/WorkspaceRecorder.h"
#include "tests/features/FeaturesFixture.h"

using namespace kestrune;
using platform::Number;

namespace {

class NotificationsTest : public featuretests::FeatureTest {
protected:
    void SetUp() override {
        FeatureTest::SetUp();
        workspace = std::make_shared<platform::WorkspaceRecorder>();
        platform::WorkspaceBackend::install(workspace);
    }
    void TearDown() override {
        platform::WorkspaceBackend::install(nullptr);
        FeatureTest::TearDown();
    }

    std::vector<platform::UserNotification> shown() const { return notifications->delivered(); }

    void trackPhoneNamed(std::optional<std::string> name) {
        auto& manager = DataManager::shared();
        auto phone = MobileDevice::initWithUnId("phone-1");
        if (name) phone->mobileDeviceInfo()->setDeviceName(*name);
        auto settings = MobileSettings::initWithUnId("phone-1");
        settings->pairingInfo()->setConnectionStatus(Number(PairingInfo::kConnectionStatusPaired));
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
    }

    size_t errorSounds() const {
        size_t count = 0;
        for (const auto& path : workspace->playedSounds())
            if (path.find("error_sound.wav") != std::string::npos) ++count;
        return count;
    }

    std::shared_ptr<platform::WorkspaceRecorder> workspace;
};

TEST(TextFormatTest, FillsOnePlaceholderAsPlainText) {
    EXPECT_EQ(stringWithTextArgument("Unlocked with %@", "Ada's %n %@ phone"),
              "Unlocked with Ada's %n %@ phone");
    EXPECT_EQ(stringWithTextArgument("%1$@ (100%%)", "x"), "x (100%)");
    EXPECT_EQ(stringWithTextArgument("no placeholder", "x"), "no placeholder");
    EXPECT_EQ(stringWithTextArgument("%@ and %@", "a"), "a and %@");
    EXPECT_EQ(stringWithTextArgument("ends with %", "a"), "ends with %");
}

TEST_F(NotificationsTest, SecondAutoHideNotificationReplacesTheFirstAndOutlivesItsTimer) {
    KSSpecificNotificationManager::didCopyToMacClipboard();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].title, "Kestrune");
    EXPECT_EQ(shown()[0].informativeText, "Text from your iPhone is on the clipboard");
    EXPECT_EQ(shown()[0].identifier, "");
    EXPECT_EQ(shown()[0].soundName, "");

    advance(3.0);
    KSSpecificNotificationManager::showClipboardIsEmpty();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].informativeText, "The clipboard is empty");
    // The first one's removal comes at 5 s and must leave the second alone.
    advance(2.0);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].informativeText, "The clipboard is empty");
    advance(2.99);
    EXPECT_EQ(shown().size(), 1u);
    advance(0.01);
    EXPECT_TRUE(shown().empty());
}

TEST_F(NotificationsTest, UnlockNotificationFollowsThePreferenceWifiUnlockDoesNot) {
    EXPECT_TRUE(NotificationsController::shared().notificationOnLogin());  // nothing stored: YES
    trackPhoneNamed("Ada's %@ iPhone");
    KSSpecificNotificationManager::didUnlockUsingKestrune();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].informativeText, "Unlocked with Ada's %@ iPhone");
    EXPECT_EQ(shown()[0].identifier, kKestruneLockUnlockNotification);
    advance(5.0);
    EXPECT_TRUE(shown().empty());

    NotificationsController::shared().setNotificationOnLogin(false);
    EXPECT_EQ(platform::UserDefaults::standard()->objectForKey("NotificationOnLogin").number()->boolValue(),
              false);
    KSSpecificNotificationManager::didUnlockUsingKestrune();
    EXPECT_TRUE(shown().empty());
    KSSpecificNotificationManager::didUnlockUsingWiFiUnlock();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].informativeText, "Your Mac was unlocked on a trusted Wi-Fi network");
    EXPECT_EQ(shown()[0].identifier, kKestruneLockUnlockNotification);
}

TEST_F(NotificationsTest, PhoneWithoutANameGetsTheUnformattedText) {
    trackPhoneNamed(std::nullopt);
    KSSpecificNotificationManager::didUnlockUsingKestrune();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].informativeText, "Unlocked with Kestrune");
    KSSpecificNotificationManager::didCopyToIosClipboard();
    EXPECT_EQ(shown().back().informativeText, "The clipboard was copied to ");
}

TEST_F(NotificationsTest, FailedLoginNotificationIsPersistentAndReplacedNotStacked) {
    KSSpecificNotificationManager::showFailedToLoginDetected();
    advance(60);
    ASSERT_EQ(shown().size(), 1u);
    const auto first = shown()[0];
    EXPECT_EQ(first.identifier, kKestruneDetectedFaileLoginAttempt);
    EXPECT_EQ(first.informativeText, "Someone tried to log in to your Mac");
    KSSpecificNotificationManager::showFailedToLoginDetected();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].deliveryNumber, first.deliveryNumber);
    // Other identifiers are not touched by the replacement.
    KSSpecificNotificationManager::didUnlockUsingWiFiUnlock();
    KSSpecificNotificationManager::showFailedToLoginDetected();
    EXPECT_EQ(shown().size(), 2u);
}

TEST_F(NotificationsTest, ErrorSoundOnFailuresOnly) {
    KSSpecificNotificationManager::showDidConnectNotificationWithText("Paired with Ada's iPhone");
    KSSpecificNotificationManager::didCopyToMacClipboard();
    KSSpecificNotificationManager::didCopyToIosClipboard();
    KSSpecificNotificationManager::didUnlockUsingKestrune();
    KSSpecificNotificationManager::didUnlockUsingWiFiUnlock();
    EXPECT_EQ(errorSounds(), 0u);
    EXPECT_EQ(shown().back().informativeText, "Your Mac was unlocked on a trusted Wi-Fi network");

    const std::pair<void (*)(), const char*> failures[] = {
        {&KSSpecificNotificationManager::showClipboardIsEmpty, "The clipboard is empty"},
        {&KSSpecificNotificationManager::updateKestruneVersionOnIphoneToUseFeature,
         "Update Kestrune on your iPhone to use this feature"},
        {&KSSpecificNotificationManager::deviceNotConnected, "Your Mac is not connected to your iPhone"},
        {&KSSpecificNotificationManager::clipboardIsTooBig, "The clipboard is too big to send"},
        {&KSSpecificNotificationManager::didNotCopyToIosClipboard,
         "The clipboard could not be copied to your iPhone"},
        {&KSSpecificNotificationManager::didNotCopyToMacClipboard,
         "The text from your iPhone could not be copied"},
        {&KSSpecificNotificationManager::showFailedToLoginDetected, "Someone tried to log in to your Mac"},
    };
    size_t expected = 0;
    for (auto [show, text] : failures) {
        show();
        EXPECT_EQ(errorSounds(), ++expected) << text;
        EXPECT_EQ(shown().back().informativeText, text);
    }
}

TEST_F(NotificationsTest, HidingByIdentifierTakesOnlyExactMatches) {
    KestruneNotificationManager::showPersistantNativeNotificationWithText_identifier("a", "x");
    KestruneNotificationManager::showPersistantNativeNotificationWithText_identifier("b", "xy");
    KestruneNotificationManager::showPersistantNativeNotificationWithText_identifier("c", "");
    KestruneNotificationManager::hideNativeNotificationWithIdentifier(std::nullopt);
    EXPECT_EQ(shown().size(), 3u);
    KestruneNotificationManager::hideNativeNotificationWithIdentifier(std::string("x"));
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0].informativeText, "b");
    KestruneNotificationManager::hideNativeNotificationWithIdentifier(std::string(""));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].identifier, "xy");
}

TEST_F(NotificationsTest, EngineNoticesHideThemselves) {
    AutoHideNotificationPresenter::install(std::make_shared<KSAutoHideNotificationPresenter>());
    AutoHideNotificationPresenter::show("Kestrune typed your password",
                                        kKestruneLockPasswordInsertedNotification);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].identifier, kKestruneLockPasswordInsertedNotification);
    advance(5);
    EXPECT_TRUE(shown().empty());
    AutoHideNotificationPresenter::install(nullptr);
}

}  // namespace
