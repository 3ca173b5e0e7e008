// The screens' option codes and the actions behind them: pairing, unlinking, the wake-unlock page, the
// Bluetooth cache, help and the permission pages.

#include "app/records/DeviceLocalSettings.h"
#include "tests/engine/CoordinatorFixture.h"

using namespace coordinatortests;
using kestrune::DataManager;
using kestrune::DeviceLocalSettings;
using kestrune::StateMachine;

namespace {

using UserActionsTest = CoordinatorTest;

TEST_F(UserActionsTest, WizardOptionsOneToTwelveAndNothingOutside) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    connect(phone);
    const std::vector<std::pair<int32_t, std::vector<std::string>>> cases = {
        {0, {}},
        {1, {"open panel"}},
        {4,
         {"clear-cache wizard", "cache message none", "start clear-cache wizard",
          "push list clear-cache wizard", "close panel"}},
        {5, {"bluetooth on"}},
        {6,
         {"empty ignore list", "remote unlink check", "help pager", "start help pager",
          "push list help pager", "show window", "dock on"}},
        {10, {"troubleshooting pager", "start troubleshooting pager", "push list troubleshooting pager"}},
        {11, {"notify 0"}},
        {12, {"notify 1"}},
        {13, {}},
        {-1, {}},
    };
    for (const auto& [option, calls] : cases) {
        SCOPED_TRACE(option);
        splitWindow->orderOut(nullptr);
        forget();
        machine->wizzardViewController_didSelectOption(nullptr, option);
        EXPECT_EQ(log.names(), calls);
    }
    // 8 closes the panel half a second later.
    forget();
    machine->wizzardViewController_didSelectOption(nullptr, 8);
    advance(0.49);
    EXPECT_EQ(log.count("shut panel"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("shut panel"), 1u);
    // 9: the Dock icon bounces, the devices page is rebuilt, the wizard is popped 0.2 s later.
    forget();
    machine->wizzardViewController_didSelectOption(nullptr, 9);
    EXPECT_EQ(log.names(), (std::vector<std::string>{"dock bounce", "devices page"}));
    advance(0.19);
    EXPECT_EQ(log.count("pop"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("pop"), 1u);
    // 3 and 7 take the rescan and tutorial roads; 2 quits.
    forget();
    machine->wizzardViewController_didSelectOption(nullptr, 3);
    EXPECT_EQ(log.count("usage error Bluetooth - Rescanning for devices"), 1u);
    forget();
    machine->wizzardViewController_didSelectOption(nullptr, 7);
    EXPECT_EQ(log.count("proximity tutorial"), 1u);
    forget();
    machine->wizzardViewController_didSelectOption(nullptr, 2);
    EXPECT_EQ(log.count("history 4/1"), 1u);
    advance(1.6);
    EXPECT_EQ(log.count("terminate"), 1u);
}

TEST_F(UserActionsTest, WizardScanningAndThePairingAnswer) {
    startQuietly();
    machine->wizzardViewController_shouldScanForNewDevices(nullptr, true);
    machine->wizzardViewController_shouldScanForNewDevices(nullptr, false);
    auto phone = MobileDevice::initWithUnId("new");
    for (bool accepted : {true, false}) {
        machine->wizzardViewController_didAcceptConnection_forMobileDevice(nullptr, accepted, phone);
        EXPECT_EQ(DataManager::shared().didAcceptPairingDevice(), accepted);
    }
    EXPECT_EQ(log.names(), (std::vector<std::string>{"recovery on", "recovery off", "pairing answer 1",
                                                     "pairing answer 0"}));
}

TEST_F(UserActionsTest, UnlinkingOnTheMacAsksFirstThenTellsThePhoneAndForgetsAfterASecond) {
    auto phone = addTrackedPhone(true);
    phone->mobileDeviceInfo()->setDeviceName(std::string("Ada's phone"));
    startQuietly();
    connect(phone);
    machine->unlinkDevices();
    ASSERT_EQ(log.names().size(), 1u);
    EXPECT_NE(log.names()[0].find("Ada's phone"), std::string::npos) << log.names()[0];
    // Refused: nothing changes.
    system->authorization(false);
    advance(2);
    EXPECT_EQ(log.names().size(), 1u);
    EXPECT_TRUE(DataManager::shared().getTrackingMobileDevice());
    // Granted: status 9 goes to the phone at once, every phone is forgotten one second later.
    forget();
    machine->unlinkDevices();
    system->authorization(true);
    EXPECT_EQ(log.only({"status", "forget"}), std::vector<std::string>{"status 9"});
    EXPECT_EQ(log.only({"dock", "select", "pop"}),
              (std::vector<std::string>{"dock bounce", "select devicesMenu", "pop to root animated"}));
    advance(0.99);
    EXPECT_EQ(log.count("forget all"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("forget all"), 1u);
}

TEST_F(UserActionsTest, AnUnlinkFromThePhoneSendsNoStatusBack) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    machine->updateConnectionStatus_forDevice_andNotifyDevice(8, phone, false);
    EXPECT_EQ(log.count("unlinked notice"), 1u);
    EXPECT_EQ(log.only({"status"}), std::vector<std::string>{});
    EXPECT_EQ(log.count("pop to root animated"), 1u);
    advance(1.1);
    EXPECT_EQ(log.count("forget all"), 1u);
}

TEST_F(UserActionsTest, WakeUnlockPageOptions) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    connect(phone);
    // 0: lock at +0.25 s as chosen on the Mac, notification 3 now, the follow-the-phone notice at +1.5 s.
    machine->macSleepScreenViewController_didSelectOption(nullptr, 0);
    EXPECT_EQ(log.names(), std::vector<std::string>{"notify 3"});
    advance(0.24);
    EXPECT_EQ(log.count("lock 0/4"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("lock 0/4"), 1u);
    advance(1.23);
    EXPECT_EQ(log.count("persistent notice follow_instruction_on_iphone"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("persistent notice follow_instruction_on_iphone"), 1u);

    const std::vector<std::pair<int32_t, std::vector<std::string>>> cases = {
        {1, {"sync"}},
        {2, {"bluetooth on"}},
        {4, {"track info sent"}},
        {5, {"wifi unlock off", "wifi wizard refresh"}},
        {6, {"panel 1.5"}},
        {7, {}},
        {-1, {}},
    };
    for (const auto& [option, calls] : cases) {
        SCOPED_TRACE(option);
        forget();
        machine->macSleepScreenViewController_didSelectOption(nullptr, option);
        EXPECT_EQ(log.only({"sync", "bluetooth", "track info", "wifi", "panel", "lock", "notify"}), calls);
    }
    forget();
    machine->macSleepScreenViewController_didSelectOption(nullptr, 3);
    EXPECT_EQ(log.count("help pager"), 1u);
}

TEST_F(UserActionsTest, HelpOptionsAndHelpWhileItIsVisible) {
    startQuietly();
    machine->helpDelegate_didSelectOption(nullptr, 1);
    machine->helpDelegate_didSelectOption(nullptr, 2);
    machine->helpDelegate_didSelectOption(nullptr, 3);
    machine->helpDelegate_didSelectOption(nullptr, -1);
    EXPECT_EQ(log.names(), (std::vector<std::string>{"recovery on", "recovery off"}));
    forget();
    machine->helpDelegate_didSelectOption(nullptr, 0);
    EXPECT_EQ(log.count("push list clear-cache wizard"), 1u);
    // The pager already shows: nothing is pushed and the window is not brought back, but the ignore list
    // is emptied and the remote unlink checked all the same.
    tutorials->helpVisible = true;
    forget();
    machine->showHelpViewAndCheck();
    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"empty ignore list", "remote unlink check", "help pager"}));
}

TEST_F(UserActionsTest, ClearingTheCacheStoresTheDateOnlyOnSuccessAndBringsTheWindowBackThreeTimes) {
    startQuietly();
    for (bool deleted : {false, true}) {
        SCOPED_TRACE(deleted);
        auto& local = DeviceLocalSettings::shared();
        const auto before = local.tempClearBluetoothCacheDate();
        forget();
        machine->clearCacheControllerClearCache(nullptr);
        ASSERT_TRUE(system->cacheCompletion);
        advance(3);
        EXPECT_EQ(log.count("show window"), 0u) << "nothing before the deletion is done";
        forget();
        std::exchange(system->cacheCompletion, nullptr)(deleted);
        EXPECT_EQ(log.count("cache wizard refresh"), 1u);
        if (deleted) {
            ASSERT_TRUE(local.tempClearBluetoothCacheDate());
            EXPECT_NEAR(local.tempClearBluetoothCacheDate()->timeIntervalSince1970(), platform::Clock::now(),
                        1e-3);
        } else {
            EXPECT_EQ(local.tempClearBluetoothCacheDate().has_value(), before.has_value());
            if (before) {
                EXPECT_EQ(local.tempClearBluetoothCacheDate()->timeIntervalSince1970(),
                          before->timeIntervalSince1970());
            }
        }
        advance(2);
        std::vector<double> shown;
        for (const auto& [name, at] : log.calls)
            if (name == "show window") shown.push_back(at);
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_NEAR(shown[0], 0.2, 1e-6);
        EXPECT_NEAR(shown[1], 0.8, 1e-6);
        EXPECT_NEAR(shown[2], 1.4, 1e-6);
    }
}

TEST_F(UserActionsTest, PermissionPagesPopThenRunTheCompletionHalfASecondLater) {
    startQuietly();
    int ran = 0;
    machine->updateSecuritySettingsWithCompletion([&] { ++ran; });
    EXPECT_EQ(log.names(), (std::vector<std::string>{"security page", "start security page",
                                                     "detail controller security page '' 2"}));
    forget();
    tutorials->preferenceCompletion();
    EXPECT_EQ(log.names(), (std::vector<std::string>{"screensaver recheck", "pop page"}));
    advance(0.49);
    EXPECT_EQ(ran, 0);
    advance(0.02);
    EXPECT_EQ(ran, 1);
    // The accessibility page: no screensaver step.
    forget();
    machine->addKestruneToAccessilibityToUnlockMac();
    tutorials->preferenceCompletion();
    EXPECT_EQ(log.only({"screensaver", "pop"}), std::vector<std::string>{"pop page"});
    advance(1);
}

TEST_F(UserActionsTest, ProximityLockSwitchPhoneVersionAndClipboard) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    connect(phone);
    auto& local = DeviceLocalSettings::shared();
    const bool before = local.proximityLockIsOn();
    machine->toggleProximityLock();
    EXPECT_EQ(local.proximityLockIsOn(), !before);
    EXPECT_EQ(track().shouldTrackMobileDevice()->boolValue(), !before);
    EXPECT_EQ(track().deviceResponsibleForLastChange()->intValue(), 2);
    EXPECT_EQ(log.count("track info sent"), 1u);
    forget();
    machine->updateiOSVersion();
    EXPECT_EQ(log.only({"screen", "notify"}),
              (std::vector<std::string>{"screen update phone page", "notify 7"}));
    // The clipboard goes to the phone only once the check hands over an acceptable text.
    forget();
    machine->sendClipboardToIos();
    EXPECT_EQ(log.names(), std::vector<std::string>{"send clipboard"});
    features->clipboardCompletion("hello");
    EXPECT_EQ(log.count("clipboard to phone hello"), 1u);
    forget();
    machine->getClipboardFromIos();
    EXPECT_EQ(log.names(), std::vector<std::string>{"notify 9"});
    // Turning Bluetooth on evaluates the radio again once it is on.
    connect(phone, false);
    forget();
    machine->userDidSelectTurnBluetoothOn();
    system->bluetoothCompletion();
    EXPECT_EQ(log.count("scanning indicator"), 1u);
}

}  // namespace
