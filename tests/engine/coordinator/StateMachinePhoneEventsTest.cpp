// What the coordinator does with the phone link's reports and the decider's verdicts.

#include "app/records/DeviceLocalSettings.h"
#include "tests/engine/CoordinatorFixture.h"

using namespace coordinatortests;
using kestrune::DataManager;
using kestrune::DeviceLocalSettings;

namespace {

class PhoneEventsTest : public CoordinatorTest {
protected:
    // A connected tracked phone near the Mac (distance 50, inside the default radius of 60), the
    // coordinator started and the session locked with its lock screen up, everything so far forgotten.
    std::shared_ptr<MobileDevice> nearPhoneAtLockScreen(int32_t onApproachMethod) {
        auto phone = addTrackedPhone(true);
        settingsOf()->setDistanceFromDevice(Number(50));
        startQuietly();
        connect(phone);
        osx().setOnApproachAuthMethod(Number(onApproachMethod));
        // No confirmation at the password field: these tests are about the proximity request.
        osx().setPasswordScreenAuthMethod(Number(0));
        lockSession();
        advance(3);  // past the session-change spacing the decider keeps
        forget();
        return phone;
    }
};

TEST_F(PhoneEventsTest, ProximityUnlockGoesStraightWithoutAMethodOtherwiseAsksThePhoneOnce) {
    auto phone = nearPhoneAtLockScreen(0);
    machine->RSSILoginLogoutDecider_loginForMobileDevice(decider(), phone);
    EXPECT_EQ(log.names(), std::vector<std::string>{"unlock 0"});

    osx().setOnApproachAuthMethod(Number(1));
    forget();
    machine->RSSILoginLogoutDecider_loginForMobileDevice(decider(), phone);
    EXPECT_EQ(log.names(), (std::vector<std::string>{"sync", "confirm"}));
    EXPECT_EQ(waiting(), 1);
    // Pending: asking again sends nothing, and neither does a verdict while a command runs.
    machine->RSSILoginLogoutDecider_loginForMobileDevice(decider(), phone);
    commands->anyRunning = true;
    machine->RSSILoginLogoutDecider_loginForMobileDevice(decider(), phone);
    EXPECT_EQ(log.count("confirm"), 1u);
    // A resend is the one way to repeat it.
    commands->anyRunning = false;
    machine->confirmRSSILoginForDevice_resend(phone, true);
    EXPECT_EQ(log.count("confirm silent"), 1u) << "a second request within 6 s goes silently";
}

TEST_F(PhoneEventsTest, AResendRepeatsOnlyARequestThatShouldStandAndOtherwiseActsAsAPlainCheck) {
    auto phone = nearPhoneAtLockScreen(1);
    // Nothing should be asked (an unlock command runs) and nothing is pending: a resend sends nothing,
    // not even a withdrawal.
    commands->loginRunning = true;
    machine->confirmRSSILoginForDevice_resend(phone, true);
    EXPECT_EQ(log.names(), std::vector<std::string>{});
    EXPECT_EQ(waiting(), 0);
    // A request pending that should not be: withdrawn, as without the resend.
    osx().setIsWaitingForConfirmation(Number(1));
    machine->confirmRSSILoginForDevice_resend(phone, true);
    EXPECT_EQ(log.names(), (std::vector<std::string>{"sync", "cancel confirm"}));
    EXPECT_EQ(waiting(), 0);
    // One that should stand and is not out yet: sent once.
    commands->loginRunning = false;
    forget();
    machine->confirmRSSILoginForDevice_resend(phone, true);
    EXPECT_EQ(log.names(), (std::vector<std::string>{"sync", "confirm"}));
    EXPECT_EQ(waiting(), 1);
}

TEST_F(PhoneEventsTest, LeavingTheBandWithdrawsAPendingRequestOnlyAfterThreeSeconds) {
    auto phone = nearPhoneAtLockScreen(1);
    machine->confirmRSSILoginForDevice_resend(phone, false);
    ASSERT_EQ(waiting(), 1);
    advance(2);
    machine->RSSILoginLogoutDecider_didExitKestruneRadius(decider(), phone);
    EXPECT_EQ(log.count("cancel confirm"), 0u);
    EXPECT_EQ(waiting(), 1);
    advance(2);
    machine->RSSILoginLogoutDecider_didExitKestruneRadius(decider(), phone);
    EXPECT_EQ(log.count("cancel confirm"), 1u);
    EXPECT_EQ(waiting(), 0);
}

TEST_F(PhoneEventsTest, ConfirmedUnlockUnlocksWithReason2AndARefusalDoesNothing) {
    auto phone = nearPhoneAtLockScreen(1);
    osx().setIsWaitingForConfirmation(Number(1));
    machine->requestController_didConfirmLogin_fromMobileDevice(rc(), Number(false), phone);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(waiting(), 1);
    machine->requestController_didConfirmLogin_fromMobileDevice(rc(), Number(true), phone);
    EXPECT_EQ(log.names(), std::vector<std::string>{"unlock 2"});
    EXPECT_EQ(waiting(), 0);
}

TEST_F(PhoneEventsTest, EachNotificationCodeFromThePhoneAndNothingOutside0To4) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    const std::vector<std::pair<int, std::vector<std::string>>> cases = {
        // A knock plays on the shield over the lock screen, which exists only on older systems.
        {0, {}},
        {1,
         {"ding", "proximity tutorial", "push controller proximity tutorial", "tutorial shown", "show window",
          "dock on"}},
        {2, {"manual photo"}},
        {3, {"user update check"}},
        {4, {"send clipboard"}},
        {-1, {}},
        {5, {}},
        {7, {}},
        {8, {}},
        {9, {}},
        {10, {}},
        {99, {}},
    };
    for (const auto& [code, calls] : cases) {
        SCOPED_TRACE(code);
        forget();
        machine->requestController_didReceiveMobileNotification(rc(), code);
        EXPECT_EQ(log.names(), calls);
    }
    // The manual photo tells the phone once it is taken, over the link only.
    forget();
    ASSERT_TRUE(features->snapshotCompletion);
    features->snapshotCompletion();
    EXPECT_EQ(log.names(), std::vector<std::string>{"notify 5"});
}

TEST_F(PhoneEventsTest, FirstApplicationStateOfAConnectionFinishesTheSyncLaterOnesRefreshOnly) {
    auto phone = addTrackedPhone(true);
    settingsOf()->iOSSettings()->setChosenMetric(Number(2));
    startQuietly();
    machine->requestController_didStartSyncingWithMobileDevice(rc(), phone);
    advance(0.02);
    EXPECT_EQ(log.names(), std::vector<std::string>{"read rssi"});
    EXPECT_FALSE(machine->didFinishSyncWithDevice());
    // Distances are not reported to the phone until the sync is done.
    machine->RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(decider(), phone);
    EXPECT_EQ(log.count("distance sent"), 0u);

    forget();
    machine->requestController_didUpdateApplicationStateFromMobileDevice_withState(rc(), phone, Number(2));
    advance(0.02);
    EXPECT_TRUE(machine->didFinishSyncWithDevice());
    EXPECT_EQ(log.only({"unignore", "read rssi", "verify", "remote state", "keep only tracked", "tutorials"}),
              (std::vector<std::string>{"unignore", "verify updates", "remote state", "keep only tracked",
                                        "tutorials synced", "read rssi"}));
    EXPECT_EQ(DeviceLocalSettings::shared().lastUsedMetric(), 2);
    EXPECT_NEAR(static_cast<double>(DeviceLocalSettings::shared().lastActiveTimestamp()),
                platform::Clock::now(), 1.0);

    forget();
    machine->requestController_didUpdateApplicationStateFromMobileDevice_withState(rc(), phone, Number(2));
    advance(0.02);
    EXPECT_EQ(log.names(), std::vector<std::string>{"tutorials synced"});
    machine->RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(decider(), phone);
    EXPECT_EQ(log.count("distance sent"), 1u);
    // A disconnection of the tracked phone starts the next connection from the beginning.
    machine->requestController_didDisconnectFromMobileDevice(rc(), phone);
    EXPECT_FALSE(machine->didFinishSyncWithDevice());
}

TEST_F(PhoneEventsTest, APhoneThatReconnectsUnderTheLockScreenTakesTheUnlockPaths) {
    for (bool locked : {false, true}) {
        SCOPED_TRACE(locked);
        TearDown();
        SetUp();
        auto phone = addTrackedPhone(true);
        settingsOf()->setDistanceFromDevice(Number(50));
        startQuietly();
        connect(phone);
        if (locked) lockSession();
        advance(3);
        forget();
        machine->requestController_didStartSyncingWithMobileDevice(rc(), phone);
        // The phone was verified inside while it synced.
        setLocation(2);
        advance(0.5);
        machine->requestController_didUpdateApplicationStateFromMobileDevice_withState(rc(), phone,
                                                                                       Number(2));
        // Its last known distance is judged at once: inside, so the proximity road unlocks.
        EXPECT_EQ(log.count("unlock 0"), locked ? 1u : 0u);
    }
}

TEST_F(PhoneEventsTest, PairingStartsTrackingOffAtTheDefaultDistanceAndForgetsTheOtherPhones) {
    auto old = addTrackedPhone(false, "phone-old");
    startQuietly();
    auto phone = addTrackedPhone(true, "phone-new");
    settingsOf("phone-old")->pairingInfo()->setConnectionStatus(Number(2));
    phone->mobileDeviceInfo()->setDeviceName(std::string("Ada's phone"));
    DataManager::shared().setPairingMobileDevice(phone);
    machine->requestController_didReceiveRequestToConnectToMobileDevice(rc(), phone);
    // The settings window opens at the devices page with the pairing wizard, which hears of the request.
    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"show window", "dock on", "select devicesMenu", "pairing wizard",
                                        "push controller pairing wizard", "wizard request", "found sound"}));

    forget();
    machine->requestController_didSuccessfullyPair_withMobileDevice(rc(), true, phone);
    EXPECT_FALSE(track("phone-new").shouldTrackMobileDevice()->boolValue());
    EXPECT_EQ(track("phone-new").distanceToLogin()->intValue(), 60);
    EXPECT_EQ(track("phone-new").deviceResponsibleForLastChange()->intValue(), 2);
    EXPECT_EQ(DeviceLocalSettings::shared().proximityLockDistance(), 60);
    EXPECT_FALSE(DataManager::shared().pairingMobileDevice());
    EXPECT_FALSE(settingsOf("phone-old")) << "only the tracked phone is kept";
    EXPECT_EQ(log.only({"wizard", "keep only tracked", "notice"}),
              (std::vector<std::string>{"wizard paired 1", "keep only tracked"}));
    advance(0.49);
    EXPECT_EQ(log.count("notice you_have_sucessfuly_paired Ada's phone"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("notice you_have_sucessfuly_paired Ada's phone"), 1u);
    (void)old;
}

TEST_F(PhoneEventsTest, DisconnectionOfThePairingPhoneSendsTheWizardBackAndMayStartTheLockOnDisconnect) {
    auto phone = addTrackedPhone(true);
    DeviceLocalSettings::shared().setLogoutOnDisconnect(true);
    startQuietly();
    connect(phone);
    DataManager::shared().setPairingMobileDevice(phone);
    osx().setIsWaitingForConfirmation(Number(1));
    machine->requestController_didDisconnectFromMobileDevice(rc(), phone);
    EXPECT_FALSE(DataManager::shared().pairingMobileDevice());
    EXPECT_EQ(log.only({"wizard", "tutorials"}),
              (std::vector<std::string>{"wizard request", "tutorials lost phone"}));
    EXPECT_EQ(log.count("dock bounce"), 1u) << "the wizard goes back to waiting without opening the window";
    EXPECT_EQ(log.count("show window"), 0u);
    EXPECT_EQ(waiting(), 0);
    ASSERT_TRUE(machine->logoutOnDisconnectManager()->isPending());
    // The phone reconnecting within the grace period cancels it.
    machine->requestController_didStartSyncingWithMobileDevice(rc(), phone);
    EXPECT_FALSE(machine->logoutOnDisconnectManager()->isPending());
}

TEST_F(PhoneEventsTest, ARefusedConnectionCountsAsALostOne) {
    auto phone = addTrackedPhone(true);
    DeviceLocalSettings::shared().setLogoutOnDisconnect(true);
    startQuietly();
    osx().setIsWaitingForConfirmation(Number(1));
    testsupport::LogCapture capture;
    machine->requestController_didUpdateConnectionStatus_fromMobileDevice(rc(), Number(3), phone);
    EXPECT_TRUE(capture.contains("Refused connection!"));
    EXPECT_EQ(log.count("tutorials lost phone"), 1u);
    EXPECT_EQ(waiting(), 0);
    EXPECT_EQ(settingsOf()->pairingInfo()->connectionStatus()->intValue(), 3);
    // With status 3 stored the phone is no longer the tracked one: no lock for its sake.
    EXPECT_FALSE(machine->logoutOnDisconnectManager()->isPending());
}

TEST_F(PhoneEventsTest, TrackingSettingsFromThePhoneRecheckOnlyWhenTrackingIsOn) {
    auto phone = addTrackedPhone(true);
    startQuietly();
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        forget();
        osx().setIsWaitingForConfirmation(Number(1));
        auto info = kestrune::MobileDeviceTrackInfo::initWithDefaultSettings();
        info->setShouldTrackMobileDevice(Number(on));
        track().setShouldTrackMobileDevice(Number(on));
        machine->requestController_didChangeSettings_forMobileDevice(rc(), info, phone);
        advance(0.02);
        EXPECT_EQ(log.count("read rssi"), on ? 1u : 0u);
        EXPECT_EQ(log.count("panel 1.5"), 1u);
        EXPECT_EQ(waiting(), 0);
    }
    // A distance chosen on the phone is stored as the phone's change.
    machine->requestController_didChangeTrackingDistance_forMobileDevice(rc(), 72, phone);
    EXPECT_EQ(track().distanceToLogin()->intValue(), 72);
    EXPECT_EQ(track().deviceResponsibleForLastChange()->intValue(), 1);
    EXPECT_EQ(DeviceLocalSettings::shared().proximityLockDistance(), 72);
}

TEST_F(PhoneEventsTest, ClipboardLanguageVersionAndCacheReports) {
    auto phone = addTrackedPhone(true);
    settingsOf()->iOSSettings()->setLanguage(std::string("de"));
    startQuietly();
    for (bool pasted : {true, false}) {
        forget();
        features->pasted = pasted;
        machine->requestController_didUpdateClipboardText_forDevice(rc(), "hello", phone);
        EXPECT_EQ(log.names(), (std::vector<std::string>{
                                   "paste hello", std::string("copied to mac ") + (pasted ? "1" : "0"),
                                   pasted ? "notice mac copied" : "notice mac not copied"}));
    }
    forget();
    machine->requestController_didUpdateMobileDeviceSettings(rc(), phone);
    EXPECT_EQ(log.names(), (std::vector<std::string>{"language de", "rebuild settings"}));
    forget();
    machine->requestController_protocolVersionNotMatching(rc(), false);
    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"dock bounce", "ding", "screen update phone page",
                                        "push list update phone page", "show window", "dock on"}));
    forget();
    system->notifyCache = false;
    machine->requestControllerDidExperienceCorruptedBluetoothCache(rc());
    EXPECT_EQ(log.count("panel cache notice"), 0u);
    EXPECT_GT(DeviceLocalSettings::shared().bluetoothCacheErrorDetected()->timeIntervalSince1970(), 0);
    system->notifyCache = true;
    machine->requestControllerDidExperienceCorruptedBluetoothCache(rc());
    EXPECT_EQ(log.count("panel cache notice"), 1u);
}

// Every entry point of the phone events and the outcomes, with no tracked phone, with a phone whose
// settings record is gone, and with a settings record that has no registered user: none of them asks a
// phone it cannot read to confirm anything or unlocks for it.
TEST_F(PhoneEventsTest, EveryEntryPointIsSafeWithoutAPhoneASettingsRecordOrAUser) {
    enum class World { NoPhone, NoSettings, NoUser };
    for (auto world : {World::NoPhone, World::NoSettings, World::NoUser}) {
        SCOPED_TRACE(static_cast<int>(world));
        TearDown();
        SetUp();
        std::shared_ptr<MobileDevice> phone;
        if (world != World::NoPhone) {
            phone = addTrackedPhone(true);
            osx().setOnApproachAuthMethod(Number(1));
            if (world == World::NoSettings)
                DataManager::shared().model()->dictOfMobileDeviceSettings()->clear();
            if (world == World::NoUser) settingsOf()->setRegisteredDeviceUser(nullptr);
        }
        startQuietly();
        lockSession();
        forget();
        for (const auto& who : {phone, std::shared_ptr<MobileDevice>()}) {
            auto info = kestrune::MobileDeviceTrackInfo::initWithDefaultSettings();
            machine->requestController_didUpdateRSSI_fromMobileDevice(rc(), Number(50), who);
            machine->requestController_didStartSyncingWithMobileDevice(rc(), who);
            machine->requestController_didUpdateApplicationStateFromMobileDevice_withState(rc(), who,
                                                                                           Number(2));
            machine->requestController_didChangeSettings_forMobileDevice(rc(), info, who);
            machine->requestController_didChangeSettings_forMobileDevice(rc(), nullptr, who);
            machine->requestController_didChangeTrackingDistance_forMobileDevice(rc(), 70, who);
            machine->requestController_didConfirmLogin_fromMobileDevice(rc(), Number(false), who);
            machine->requestController_didUpdateConnectionStatus_fromMobileDevice(rc(), Number(9), who);
            machine->requestController_didUpdateMobileDeviceSettings(rc(), who);
            machine->requestController_didSuccessfullyPair_withMobileDevice(rc(), true, who);
            machine->requestController_didDisconnectFromMobileDevice(rc(), who);
            machine->RSSILoginLogoutDecider_recheckRssiForMobileDevice(decider(), who);
            machine->RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(decider(), who);
            machine->RSSILoginLogoutDecider_didExitKestruneRadius(decider(), who);
            machine->RSSILoginLogoutDecider_didEnterKestruneRadius(decider(), who);
            machine->RSSILoginLogoutDecider_loginForMobileDevice(decider(), who);
            machine->RSSILoginLogoutDecider_didUpdateOverAllInfoForMobileDevice(decider(), who);
            machine->displayOnButUserNotLoggedIn();
            machine->lockHiddenFromScreen();
            machine->updateTempDisableWhenLogin(1);
            machine->updateTempDisableTrackingForDeviceRequest(2);
            for (int reason : {0, 1, 2, 3, 4, 5}) {
                machine->loginLogoutController_didLoginbyMobileDevice_commandReason(commandController(), who,
                                                                                    reason);
                machine->loginLogoutController_didLogoutbyMobileDevice_commandReason(commandController(), who,
                                                                                     reason);
            }
            machine->loginLogoutControllerDidLoginManualyByUser(commandController());
            machine->loginLogoutControllerDidLogoutManualyByUser(commandController());
            machine->loginLogoutControllerUnableToLockMac(commandController());
            machine->loginLogoutController_canNotLoginWithGivenPasswordForMobileDevice(commandController(),
                                                                                       who);
            machine->logoutOnDisconnectManagerShouldLogout();
            machine->securitAgentDidChange(true);
            machine->updateTrackingDistance(70);
            machine->checkIfShouldUnlockMacBecauseOfSafeWifi();
            advance(2);
        }
        // No confirmation was asked of a phone the coordinator cannot read, and no proximity unlock.
        for (const char* call : {"confirm", "confirm silent", "confirm password", "unlock 0", "sync"})
            EXPECT_EQ(log.count(call), 0u) << call;
    }
}

}  // namespace
