// The advanced page: its sections by system version, the authorisation radio rows and their order of
// store, rebuild and sync, launching at login, and the switches it flips itself.

#include "menubar/pages/AdvancedMenuManager.h"

#include <gtest/gtest.h>

#include <set>

#include "features/notifications/NotificationsController.h"
#include "tests/menubar/PagesFixture.h"

namespace pagetests {
namespace {

using kestrune::AdvancedMenuManager;
using Rows = std::vector<std::string>;

Rows operator+(Rows a, const Rows& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Rows kStartupAndAuth{"TitleDescriptionCell startup_options_title",
                           "SeparatorCell",
                           "CustomCheckBoxCell start_on_mac_startup",
                           "TitleDescriptionCell auth_request_title",
                           "SeparatorCell",
                           "CustomCheckBoxCell txt_double_knock",
                           "CustomCheckBoxCell mac_sleep_screen_ask_yes_no_short",
                           "CustomCheckBoxCell touchid_faceid_passcode",
                           "CustomCheckBoxCell txt_insert_automatically",
                           "SimpleCheckBoxCell auth_request_non_desc",
                           "TitleDescriptionCell macOS_notifications_title",
                           "SeparatorCell",
                           "CustomCheckBoxCell notification_on_login_title"};
const Rows kOverlay{"TitleDescriptionCell lock_screen_overlay", "SeparatorCell",
                    "CustomCheckBoxCell icon_on_sleep_screen_title"};
const Rows kShortcutsAndSiri{"TitleDescriptionCell kestrune_shortcuts_title",
                             "SeparatorCell",
                             "CustomCheckBoxCell lock_shortcut_title",
                             "CustomCheckBoxCell clipboard_shortcut_title",
                             "TitleDescriptionCell kestrune_siri_title",
                             "SeparatorCell",
                             "CustomCheckBoxCell siri_lock_title",
                             "CustomCheckBoxCell siri_unlock_title"};

// Notes, when the page asks for the sync, what the page shows then.
class SyncWatchingDelegate : public testsupport::RecordingNavigationDelegate {
public:
    std::function<void()> onSync;
    void updateAndSyncData() override {
        RecordingNavigationDelegate::updateAndSyncData();
        if (onSync) onSync();
    }
};

class AdvancedMenuManagerTest : public PagesFixture {
protected:
    // The authorisation rows that are on.
    std::vector<std::string> onRows(BaseMenuItemManager& page) {
        const std::set<std::string> methods{"txt_double_knock", "mac_sleep_screen_ask_yes_no_short",
                                            "touchid_faceid_passcode", "txt_insert_automatically",
                                            "auth_request_non_desc"};
        std::vector<std::string> on;
        for (const auto& vm : page.listViewModelController()->listViewModel())
            if (vm->isOn() && vm->title() && methods.count(*vm->title())) on.push_back(*vm->title());
        return on;
    }
};

TEST_F(AdvancedMenuManagerTest, TheLockScreenIconSectionIsForSystemsBefore1013) {
    platform::SystemVersion::setOverride(std::string("10.13"));
    auto page = makePage<AdvancedMenuManager>();
    EXPECT_EQ(rowsOf(page->createViewModel()), kStartupAndAuth + kShortcutsAndSiri);
    platform::SystemVersion::setOverride(std::string("10.12.6"));
    EXPECT_EQ(rowsOf(page->createViewModel()), kStartupAndAuth + kOverlay + kShortcutsAndSiri);
}

TEST_F(AdvancedMenuManagerTest, TheAuthorisationRowsAreRadioRowsStoringRebuildingAndSyncing) {
    auto watching = std::make_shared<SyncWatchingDelegate>();
    auto page = BaseMenuItemManager::create<AdvancedMenuManager>(watching);
    show(*page);
    EXPECT_EQ(local().authRequest(), 2);
    EXPECT_EQ(onRows(*page), std::vector<std::string>{"touchid_faceid_passcode"});

    std::vector<std::string> onAtSync;
    int32_t storedAtSync = -1;
    watching->onSync = [&] {
        onAtSync = onRows(*page);
        storedAtSync = local().authRequest();
    };
    row(*page, "txt_insert_automatically")->primaryActionHandler()();
    EXPECT_EQ(local().authRequest(), 4);
    EXPECT_EQ(storedAtSync, 4);
    EXPECT_EQ(onAtSync, std::vector<std::string>{"txt_insert_automatically"});
    EXPECT_EQ(watching->texts(), std::vector<std::string>{"updateAndSyncData"});

    // The row that is on stores its value again.
    row(*page, "txt_insert_automatically")->primaryActionHandler()();
    row(*page, "auth_request_non_desc")->primaryActionHandler()();
    EXPECT_EQ(local().authRequest(), 0);
    row(*page, "txt_double_knock")->primaryActionHandler()();
    EXPECT_EQ(local().authRequest(), 3);
    row(*page, "mac_sleep_screen_ask_yes_no_short")->primaryActionHandler()();
    EXPECT_EQ(local().authRequest(), 1);
    EXPECT_EQ(onRows(*page), std::vector<std::string>{"mac_sleep_screen_ask_yes_no_short"});
    EXPECT_EQ(watching->count("updateAndSyncData"), 5u);
    row(*page, "mac_sleep_screen_ask_yes_no_short")->secondaryActionHandler()();
    row(*page, "auth_request_title")->secondaryActionHandler()();
    EXPECT_EQ(watching->count("showYesNoTutorial"), 1u);
    EXPECT_EQ(watching->count("showAuthRequest"), 1u);
}

TEST_F(AdvancedMenuManagerTest, LaunchAtLoginShowsTheNewStateOnlyWhenTheChangeCompletes) {
    auto& items = kestrune::LoginItemsManager::shared();
    items.startTrackingLoginItems();
    auto page = shownPage<AdvancedMenuManager>();
    EXPECT_FALSE(row(*page, "start_on_mac_startup")->isOn());
    row(*page, "start_on_mac_startup")->primaryActionHandler()();
    runUntilIdle();
    EXPECT_TRUE(items.lastKnownIsLauncOnStartup());
    EXPECT_FALSE(row(*page, "start_on_mac_startup")->isOn());
    advance(0.2);
    EXPECT_TRUE(row(*page, "start_on_mac_startup")->isOn());
    EXPECT_EQ(session->desktop()->loginItemPaths().size(), 1u);
    items.stopTrackingLoginItems();
}

TEST_F(AdvancedMenuManagerTest, TheNotificationAndLockScreenSwitchesAreFlippedHere) {
    platform::SystemVersion::setOverride(std::string("10.12.6"));
    auto page = shownPage<AdvancedMenuManager>();
    auto& notifications = kestrune::NotificationsController::shared();
    const bool notified = notifications.notificationOnLogin();
    EXPECT_EQ(row(*page, "notification_on_login_title")->isOn(), notified);
    row(*page, "notification_on_login_title")->primaryActionHandler()();
    EXPECT_EQ(notifications.notificationOnLogin(), !notified);
    EXPECT_EQ(row(*page, "notification_on_login_title")->isOn(), !notified);

    const bool icon = local().showKestruneIconOnLockedScreen();
    row(*page, "icon_on_sleep_screen_title")->primaryActionHandler()();
    EXPECT_EQ(local().showKestruneIconOnLockedScreen(), !icon);
    EXPECT_EQ(row(*page, "icon_on_sleep_screen_title")->isOn(), !icon);
    EXPECT_TRUE(navigation->calls().empty());

    row(*page, "lock_shortcut_title")->primaryActionHandler()();
    row(*page, "siri_lock_title")->primaryActionHandler()();
    row(*page, "siri_unlock_title")->primaryActionHandler()();
    row(*page, "clipboard_shortcut_title")->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), (std::vector<std::string>{"toggleLockShortcut", "toggleSiriLock",
                                                             "toggleSiriUnlock", "toggleClipboardShortcut"}));
}

}  // namespace
}  // namespace pagetests
