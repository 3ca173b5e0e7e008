#include "engine/session/SystemPreferences.h"

#include "engine/session/AccessibilityManager.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "tests/engine/SessionFixture.h"

using namespace kestrune;

using SystemPreferencesTest = SessionTest;

TEST_F(SystemPreferencesTest, ScreensaverPasswordSettingsByVersion) {
    struct Case {
        const char* version;
        std::optional<int> askForPassword, delay;
        bool passwordSet, immediate;
        const char* firstCommand;
    } cases[] = {
        {"10.12.6", 1, 0, true, true, "defaults read com.apple.screensaver askForPasswordDelay"},
        {"10.12.6", 1, 5, true, false, "defaults read com.apple.screensaver askForPasswordDelay"},
        {"10.12.6", 0, 0, false, true, "defaults read com.apple.screensaver askForPasswordDelay"},
        {"10.12.6", std::nullopt, std::nullopt, false, true,  // unreadable: 0
         "defaults read com.apple.screensaver askForPasswordDelay"},
        {"10.13.6", 1, 0, true, true, platform::SimulatedSession::kRequirePasswordScript},
        {"10.13.6", 0, 0, false, true, platform::SimulatedSession::kRequirePasswordScript},
        {"10.14.6", 1, 300, true, true, platform::SimulatedSession::kRequirePasswordScript},
        {"10.14.6", 0, 0, false, true, platform::SimulatedSession::kRequirePasswordScript},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.version << " ask " << c.askForPassword.value_or(-1) << " delay "
                                        << c.delay.value_or(-1));
        setVersion(c.version);
        session = platform::SimulatedSession::create(home() + "/s");
        session->install();
        session->setScreensaverAskForPassword(c.askForPassword);
        session->setScreensaverAskForPasswordDelay(c.delay);
        EXPECT_EQ(SystemPreferences::preconditionsToLockMacOnScreensaverAreSetForceUpdate(),
                  c.passwordSet && c.immediate);
        EXPECT_EQ(SystemPreferences::askForPasswordSet(), c.passwordSet);
        EXPECT_EQ(SystemPreferences::lockDelayIsImmediate(), c.immediate);
        ASSERT_FALSE(session->answeredCommands().empty());
        EXPECT_EQ(session->answeredCommands().front(), c.firstCommand);
        runUntilIdle();
    }
    EXPECT_FALSE(SystemPreferences::canReadBothAskForPasswordAndLockDelay());
    setVersion("10.13.6");
    EXPECT_TRUE(SystemPreferences::canReadBothAskForPasswordAndLockDelay());
}

TEST_F(SystemPreferencesTest, BelowTenThirteenEveryQuestionRefreshesInTheBackground) {
    setVersion("10.12.6");
    session->setScreensaverAskForPassword(1);
    EXPECT_TRUE(SystemPreferences::askForPasswordSet());  // the first question reads at once
    session->setScreensaverAskForPassword(0);
    EXPECT_TRUE(SystemPreferences::askForPasswordSet());  // the cache answers; a read is queued
    runUntilIdle();
    EXPECT_FALSE(SystemPreferences::askForPasswordSet());
}

TEST_F(SystemPreferencesTest, FromTenThirteenTheCacheIsRefreshedAfterSixHundredSeconds) {
    setVersion("10.14.6");
    session->setScreensaverAskForPassword(1);
    EXPECT_TRUE(SystemPreferences::askForPasswordSet());
    session->setScreensaverAskForPassword(0);
    advance(600);
    EXPECT_TRUE(SystemPreferences::askForPasswordSet());
    runUntilIdle();
    EXPECT_TRUE(SystemPreferences::askForPasswordSet());  // 600 s is not more than 600 s
    advance(0.1);
    EXPECT_TRUE(SystemPreferences::askForPasswordSet());
    runUntilIdle();
    EXPECT_FALSE(SystemPreferences::askForPasswordSet());
}

TEST_F(SystemPreferencesTest, ScreensaverLockWithoutLockScreenWarnsFromTenFourteen) {
    struct Case {
        const char* version;
        bool warns;
    } cases[] = {{"10.13.6", false}, {"10.14.6", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        setVersion(c.version);
        DeviceLocalSettings::shared().setActionOnLogout(1);  // lock by screensaver
        auto& preconditions = ScreensaverPreconditions::shared();
        MacDisplayControl::shared().resetDidShowLockOnScreenAfterLogout();
        preconditions.checkForValidScreensaverPreferancesAfterLogin();
        EXPECT_EQ(preconditions.shouldWarnUserAboutScreensaverPreconditions(), c.warns);
        preconditions.userUpdatedScreensaverPreconditions();
        EXPECT_FALSE(preconditions.shouldWarnUserAboutScreensaverPreconditions());
    }
    // A lock screen shown after the lock satisfies the set-up.
    MacDisplayControl::shared().lockUIIsShown();
    ScreensaverPreconditions::shared().checkForValidScreensaverPreferancesAfterLogin();
    EXPECT_FALSE(ScreensaverPreconditions::shared().shouldWarnUserAboutScreensaverPreconditions());
}

TEST_F(SystemPreferencesTest, AccessibilityIsNeededFromTenFourteen) {
    setVersion("10.13.6");
    EXPECT_TRUE(AccessibilityManager::allAccessibilityConditionsSatisfied());
    setVersion("10.14.0");
    EXPECT_FALSE(AccessibilityManager::allAccessibilityConditionsSatisfied());
    desktop()->setProcessTrusted(true);
    EXPECT_TRUE(AccessibilityManager::allAccessibilityConditionsSatisfied());
    AccessibilityManager::askUserForAccesibility();
    EXPECT_EQ(desktop()->trustQuestions(), (std::vector<bool>{false, false, true}));
    AccessibilityManager::openAccessibilityWindow();
    EXPECT_EQ(desktop()->openedURLs(),
              std::vector<std::string>{
                  "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"});
}

TEST_F(SystemPreferencesTest, SystemSettingsApplicationIsDrivenByScripts) {
    SystemPreferences::launchSecurityPreferences();
    runUntilIdle();
    ASSERT_EQ(desktop()->scripts().size(), 1u);
    EXPECT_NE(desktop()->scripts()[0].find("reveal\n     activate\nend tell\n"), std::string::npos);
    SystemPreferences::quitSystemPreferences();
    EXPECT_EQ(session->answeredCommands().back(),
              "osascript -e 'tell application \"System Preferences\" to quit'");
}

TEST_F(SystemPreferencesTest, StartOnLoginStoresTheChoiceAndAlertsOnFailure) {
    auto& controller = StartOnLoginController::shared();
    controller.setStartOnLogin(true);
    EXPECT_TRUE(controller.startOnLogin());
    desktop()->setLoginHelperRegistrationSucceeds(false);
    controller.setStartOnLogin(false);
    EXPECT_FALSE(controller.startOnLogin());
    EXPECT_TRUE(desktop()->alerts().empty());  // shown on the main queue, later
    runUntilIdle();
    ASSERT_EQ(desktop()->alerts().size(), 1u);
    EXPECT_EQ(desktop()->alerts()[0].first, "An error ocurred");
    auto requests = desktop()->loginHelperRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], std::make_pair(std::string("com.kestrune.LaunchAtLoginHelperApp"), true));
}

class LoginItemsTest : public SessionTest {
protected:
    std::string app() const { return platform::Bundle::main().bundlePath(); }
    size_t entries() const {
        auto paths = desktop()->loginItemPaths();
        return static_cast<size_t>(std::count(paths.begin(), paths.end(), app()));
    }
};

TEST_F(LoginItemsTest, AddedOnceOnTheVeryFirstRunAndNeverAgainAfterTheUserRemovedIt) {
    desktop()->addLoginItem("/Applications/Other.app");
    LoginItemsManager::shared().setup();
    runUntilIdle();
    EXPECT_EQ(entries(), 1u);
    EXPECT_TRUE(
        platform::UserDefaults::standard()->boolForKey(LoginItemsManager::kLoginItemsAddedDefaultsKey));
    EXPECT_TRUE(LoginItemsManager::shared().lastKnownIsLauncOnStartup());

    desktop()->removeLoginItem(app());
    runUntilIdle();
    LoginItemsManager::resetSharedForTesting();  // the next run
    LoginItemsManager::shared().setup();
    runUntilIdle();
    EXPECT_EQ(entries(), 0u);
    EXPECT_EQ(desktop()->loginItemPaths(), std::vector<std::string>{"/Applications/Other.app"});
}

TEST_F(LoginItemsTest, TogglesRunInOrderAndCompleteOnTheMainThreadAfterTheirChange) {
    std::vector<std::pair<bool, double>> completions;
    auto& manager = LoginItemsManager::shared();
    double began = now();
    auto record = [&](bool done) {
        EXPECT_TRUE(platform::isMainThread());
        completions.emplace_back(done, now() - began);
    };
    manager.toggleLaunchAtStartupWithCompletion(record);
    manager.toggleLaunchAtStartupWithCompletion(record);
    manager.toggleLaunchAtStartupWithCompletion(record);
    runUntilIdle();
    EXPECT_TRUE(completions.empty());
    advanceTo(0.19);
    EXPECT_TRUE(completions.empty());
    advanceTo(0.2);
    ASSERT_EQ(completions.size(), 3u);
    for (const auto& c : completions) EXPECT_NEAR(c.second, 0.2, 1e-6);
    EXPECT_EQ(entries(), 1u);  // added, removed, added: never twice

    desktop()->setLoginItemsAvailable(false);
    completions.clear();
    began = now();
    manager.toggleLaunchAtStartupWithCompletion(record);
    runUntilIdle();
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_FALSE(completions[0].first);
    EXPECT_NEAR(completions[0].second, 0.0, 1e-6);  // at once
    EXPECT_FALSE(manager.isLaunchAtStartup());
}

TEST_F(LoginItemsTest, ChangesByTheUserArePostedUntilTrackingStops) {
    std::vector<std::string> names;
    auto& manager = LoginItemsManager::shared();
    auto observation = platform::NotificationCenter::defaultCenter().addObserver(
        "", &manager, [&](const platform::Notification& n) { names.push_back(n.name); });
    manager.startTrackingLoginItems();
    desktop()->addLoginItem(app());
    runUntilIdle();
    desktop()->removeLoginItem(app());
    runUntilIdle();
    EXPECT_EQ(names,
              (std::vector<std::string>{"ApplicationLoginItemsAdded", "ApplicationLoginItemsRemoved"}));
    EXPECT_EQ(desktop()->loginItemObserverCount(), 1u);
    manager.stopTrackingLoginItems();
    EXPECT_EQ(desktop()->loginItemObserverCount(), 0u);
    desktop()->addLoginItem(app());
    runUntilIdle();
    EXPECT_EQ(names.size(), 2u);
}
