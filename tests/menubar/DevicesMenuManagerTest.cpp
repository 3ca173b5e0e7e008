// The devices page in each state of the Mac, the radio and the phone: the rows it shows, in order, and
// what their controls do.

#include "menubar/pages/DevicesMenuManager.h"

#include <gtest/gtest.h>

#include "link/transport/BluetoothLE.h"
#include "menubar/lists/ConnectedDevicesVM.h"
#include "tests/menubar/PagesFixture.h"
#include "uikit/views/CustomColor.h"

namespace pagetests {
namespace {

using kestrune::DevicesMenuManager;
using Rows = std::vector<std::string>;

const Rows kWelcome{"SimpleImageCell", "TitleCellCentered welcome_title",
                    "DescriptionCellCentered welcome_description", "SimpleButtonCell add_new_device_action"};

Rows operator+(Rows a, const Rows& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class DevicesMenuManagerTest : public PagesFixture {
protected:
    void SetUp() override {
        PagesFixture::SetUp();
        // As after a first run some time ago: no cache trouble to report.
        local().setVeryFirstKestruneRunDate(platform::Date::now());
        kestrune::BluetoothLE::shared();
        settle();
    }
    // A phone that has been through the tutorial and whose user closed the window once: the page has
    // nothing to teach.
    std::shared_ptr<kestrune::MobileDevice> settledPhone(bool connected) {
        local().setDidShowTutorialAtLeastOnce(true);
        local().setDidCloseMainWindowAtLeastOnce(true);
        return addTrackedPhone(connected);
    }
    void setBattery(int32_t percent, bool charging) {
        trackedSettings()->iOSSettings()->setBatteryPercent(Number(percent));
        trackedSettings()->iOSSettings()->setIOSCharging(Number(charging));
    }
    void damageCache() {
        local().setBluetoothCacheErrorDetected(platform::Date::now());
        local().setClearBluetoothCacheDate(platform::Date::dateWithTimeIntervalSince1970(now() - 60 * 86400));
    }
    Rows rows() {
        auto page = makePage<DevicesMenuManager>();
        return rowsOf(page->createViewModel());
    }

    // The rows under the warnings for a connected phone.
    Rows connectedTail() {
        auto phone = kestrune::DataManager::shared().getTrackingMobileDevice();
        const std::string distance = phone->distanceStringWithUserActiveIndication(false).value_or("");
        return {"TitleDescriptionCell my_devices",
                "SeparatorCell",
                "ConnectedDevicesCell" + (distance.empty() ? "" : " " + distance),
                "SimpleButtonCell3 ping_device_description",
                "SimpleButtonCell3 send_clipboard_to_ios_description",
                "SimpleButtonCell unpair"};
    }
};

TEST_F(DevicesMenuManagerTest, WithoutBluetoothLowEnergyThePageIsOneRowWhateverElseHolds) {
    radio->setLowEnergySupported(false);
    settle();
    settledPhone(true);
    kestrune::UpdateController::shared().setNewMacVersion(true);
    auto page = makePage<DevicesMenuManager>();
    auto rows = page->createViewModel();
    EXPECT_EQ(rowsOf(rows), Rows{"CollapseCell bluetooth_le_not_supported_title"});
    EXPECT_EQ(styleOf(rows[0]), 2);
    EXPECT_TRUE(rows[0]->isCollapsed());
    EXPECT_FALSE(rows[0]->additionalText());
}

TEST_F(DevicesMenuManagerTest, BluetoothOffHidesTheCacheWarningAndNoPhoneGivesTheWelcome) {
    damageCache();
    EXPECT_EQ(rows(), Rows{"CollapseCell clear_bluetooth_cache_title"} + kWelcome);

    radio->setControllerPowered(false);
    settle();
    auto page = makePage<DevicesMenuManager>();
    auto built = page->createViewModel();
    EXPECT_EQ(rowsOf(built), Rows{"CollapseCell bluetooth_is_off_title"} + kWelcome);
    EXPECT_EQ(styleOf(built[0]), 2);
    EXPECT_EQ(built[0]->additionalText(), "turn_bluetooth_on");
    built[0]->primaryActionHandler()();
    EXPECT_EQ(navigation->count("userDidSelectTurnBluetoothOn"), 1u);
    EXPECT_EQ(built[1]->customRowHeight(), 340);
    EXPECT_EQ(built[1]->iconName(), "mainicon");
}

TEST_F(DevicesMenuManagerTest, NoPhoneShowsTheWelcomeAfterTheUpdateAndAccessibilityRows) {
    EXPECT_EQ(rows(), kWelcome);
    session->desktop()->setProcessTrusted(false);
    kestrune::UpdateController::shared().setNewiOSVersion(true);
    EXPECT_EQ(
        rows(),
        Rows({"CollapseCell add_accessibility_to_unlock_mac_title", "CollapseCell new_update"}) + kWelcome);
    // Below 10.14 unlocking needs no Accessibility permission.
    platform::SystemVersion::setOverride(std::string("10.13.6"));
    EXPECT_EQ(rows(), Rows{"CollapseCell new_update"} + kWelcome);
}

TEST_F(DevicesMenuManagerTest, TheFirstConnectionLeadsWithTheTutorial) {
    auto phone = addTrackedPhone(true);
    // Tracking is still off right after pairing: nothing comes before the tutorial row.
    trackedSettings()->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(Number(false));
    auto page = makePage<DevicesMenuManager>();
    auto built = page->createViewModel();
    EXPECT_EQ(rowsOf(built),
              Rows{"CollapseCell lock_and_unlock_your_mac_automatically. show_tutorial!"} + connectedTail());
    built[0]->secondaryActionHandler()();
    EXPECT_EQ(navigation->count("showProximityLockTutorial"), 1u);

    auto devices = std::dynamic_pointer_cast<kestrune::ConnectedDevicesVM>(built[3]);
    ASSERT_TRUE(devices);
    EXPECT_TRUE(devices->isOn());
    EXPECT_EQ(devices->iPhoneName(), "Ann's iPhone");
    EXPECT_EQ(devices->iconName(), "wizzard_iphone_frame");
    EXPECT_EQ(devices->secondaryIconName(), "wizzard_iphone_frame");

    // With tracking on, the lock-distance row comes first and the tutorial waits.
    trackedSettings()->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(Number(true));
    EXPECT_EQ(rowsOf(page->createViewModel()),
              Rows({"CollapseCell close_main_window_title",
                    "CollapseCell proximity_lock_distance: " + trackedSettings()->distanceToLockString()}) +
                  connectedTail());
}

TEST_F(DevicesMenuManagerTest, ALowBatteryNotChargingIsWarnedInTheColourOfItsLevel) {
    settledPhone(true);
    const Rows head{"CollapseCell proximity_lock_distance: " + trackedSettings()->distanceToLockString()};
    setBattery(15, false);
    auto page = makePage<DevicesMenuManager>();
    auto built = page->createViewModel();
    EXPECT_EQ(rowsOf(built), head + Rows{"CollapseCell low_battery 15%"} + connectedTail());
    EXPECT_EQ(styleOf(built[1]), 3);
    EXPECT_EQ(built[1]->descriptionText(), "charge_your_battery_description");

    setBattery(5, false);
    built = page->createViewModel();
    EXPECT_EQ(rowsOf(built)[1], "CollapseCell low_battery 5%");
    EXPECT_EQ(styleOf(built[1]), 2);

    setBattery(5, true);
    EXPECT_EQ(rowsOf(page->createViewModel()), head + connectedTail());
    setBattery(20, false);
    EXPECT_EQ(rowsOf(page->createViewModel()), head + connectedTail());
}

TEST_F(DevicesMenuManagerTest, ANotConnectedPhoneOffersRescanOrShowsTheScan) {
    settledPhone(false);
    kestrune::ScanningIndicator::shared().stopTimer();
    const Rows head{"TitleDescriptionCell my_devices", "SeparatorCell", "ConnectedDevicesCell",
                    "SimpleButtonCell unpair"};
    auto page = makePage<DevicesMenuManager>();
    auto built = page->createViewModel();
    EXPECT_EQ(rowsOf(built), head + Rows{"DoubleButtonCell rescan"});
    EXPECT_TRUE(built[4]->isOn());  // the two buttons centred
    EXPECT_EQ(built[4]->descriptionText(), "troubleshoot");
    built[4]->primaryActionHandler()();
    built[4]->secondaryActionHandler()();
    EXPECT_EQ(navigation->texts(), (std::vector<std::string>{"toggleRescan", "showHelpViewAndCheck"}));
    EXPECT_FALSE(built[2]->isOn());

    kestrune::ScanningIndicator::shared().restartTimer();
    EXPECT_EQ(rowsOf(page->createViewModel()), head + Rows({"LoadingCell scanning_for_devices Ann's iPhone",
                                                            "SimpleButtonCell troubleshoot"}));
    advance(kestrune::ScanningIndicator::kTimerDuration + 0.1);
    EXPECT_EQ(rowsOf(page->createViewModel()), head + Rows{"DoubleButtonCell rescan"});
}

TEST_F(DevicesMenuManagerTest, LockingPausedByAManualLoginReplacesTheDistanceRow) {
    settledPhone(true);
    trackedSettings()->mobileDeviceTrackInfo()->setProxLockTemporaryDisabledBecauseLogin(Number(true));
    auto page = makePage<DevicesMenuManager>();
    auto built = page->createViewModel();
    EXPECT_EQ(rowsOf(built), Rows{"CollapseCell proximity_lock_temporary_disabled"} + connectedTail());
    EXPECT_EQ(built[0]->descriptionText(),
              "proximity_lock_temporary_disabled_because_login_manually_1 "
              "proximity_lock_temporary_disabled_because_login_manually_2");
    EXPECT_EQ(styleOf(built[0]), 0);
    built[0]->primaryActionHandler()();
    EXPECT_EQ(navigation->count("showTemporaryDisabledInformationWindow"), 1u);

    // A trusted Wi-Fi network in force takes over from both.
    auto& wifiManager = kestrune::SafeWifiManager::shared();
    wifi->join("Home", "aa:aa:aa:aa:aa:01");
    ASSERT_TRUE(wifiManager.addSafeWifiEntry(wifiManager.generateCurrentConnectedWifiEntry()));
    wifiManager.setSafeWifiTurnedOn(true);
    EXPECT_EQ(rowsOf(page->createViewModel()),
              Rows{"CollapseCell wifi_unlock_is_active_title"} + connectedTail());
}

TEST_F(DevicesMenuManagerTest, SectionsExpandOnTapAndStaySoTheSecurityWarningStartsExpanded) {
    settledPhone(true);
    local().setActionOnLogout(1);
    session->setScreensaverAskForPassword(std::nullopt);
    kestrune::SystemPreferences::forceUpdateCachedValues();
    auto page = shownPage<DevicesMenuManager>();
    auto security = row(*page, "update_security_preferances_to_use_screensaver_title");
    ASSERT_TRUE(security);
    EXPECT_FALSE(security->isCollapsed());
    auto distance = rowsOf(*page)[1];
    EXPECT_TRUE(row(*page, distance.substr(std::string("CollapseCell ").size()))->isCollapsed());

    security->secondaryActionHandler()();
    EXPECT_TRUE(page->securityPreferancesExpanded());
    EXPECT_TRUE(row(*page, "update_security_preferances_to_use_screensaver_title")->isCollapsed());

    // The button opens the system settings; their completion rebuilds the page.
    row(*page, "update_security_preferances_to_use_screensaver_title")->primaryActionHandler()();
    ASSERT_EQ(navigation->count("updateSecuritySettingsWithCompletion:"), 1u);
    session->setScreensaverAskForPassword(1);
    session->setScreensaverAskForPasswordDelay(0);
    kestrune::SystemPreferences::forceUpdateCachedValues();
    navigation->runCompletions();
    EXPECT_FALSE(row(*page, "update_security_preferances_to_use_screensaver_title"));

    // Out of the window the flags stay and nothing is rebuilt until it is shown again.
    page->getViewController()->mainView()->removeFromSuperview();
    kestrune::DataManager::shared().getTrackingMobileDevice()->mobileDeviceConnectionInfo()->setIsConnected(
        Number(false));
    page->updateViewDataIfNeeded();
    EXPECT_EQ(rowsOf(*page)[0].rfind("CollapseCell proximity_lock_distance", 0), 0u);
    show(*page);
    EXPECT_EQ(rowsOf(*page)[0], "TitleDescriptionCell my_devices");
    EXPECT_TRUE(page->securityPreferancesExpanded());
}

TEST_F(DevicesMenuManagerTest, ClosingTheCacheWarningSilencesItAndRebuilds) {
    damageCache();
    auto page = shownPage<DevicesMenuManager>();
    auto warning = row(*page, "clear_bluetooth_cache_title");
    ASSERT_TRUE(warning);
    EXPECT_EQ(styleOf(warning), 1);
    EXPECT_EQ(warning->descriptionText(), "clear_bluetooth_cache_description_1 requires_mac_startup");
    warning->primaryActionHandler()();
    EXPECT_EQ(navigation->count("showClearBluetoothCacheTutorial"), 1u);
    ASSERT_TRUE(warning->tertiaryActionHandler());
    warning->tertiaryActionHandler()();
    ASSERT_TRUE(local().doNotShowClearCacheWarningDate());
    EXPECT_DOUBLE_EQ(local().doNotShowClearCacheWarningDate()->timeIntervalSince1970(), now());
    EXPECT_EQ(rowsOf(*page), kWelcome);
}

TEST_F(DevicesMenuManagerTest, ButtonsReportThroughTheDelegateAndHoldThePageWeakly) {
    settledPhone(true);
    auto page = shownPage<DevicesMenuManager>();
    row(*page, "ping_device_description")->primaryActionHandler()();
    row(*page, "send_clipboard_to_ios_description")->primaryActionHandler()();
    auto unpair = row(*page, "unpair");
    ASSERT_TRUE(unpair->customColor());
    EXPECT_EQ(*unpair->customColor(), kestrune::redButtonColor());
    unpair->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(),
              (std::vector<std::string>{"pingTrackingDevice", "sendClipboardToIos", "unlinkDevices"}));

    auto tap = rowsOf(*page).empty() ? nullptr : page->listViewModelController()->listViewModel()[0];
    ASSERT_TRUE(tap && tap->secondaryActionHandler());
    auto controller = page->getViewController();
    page.reset();
    tap->secondaryActionHandler()();  // the page is gone: nothing happens
    EXPECT_EQ(navigation->calls().size(), 3u);
}

}  // namespace
}  // namespace pagetests
