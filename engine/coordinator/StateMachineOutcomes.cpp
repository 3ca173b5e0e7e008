// What became of each lock and unlock, what the user did by hand, and the lock screen: the session state
// the phone hears, history and tracker lines, usage events, notifications, the pause of proximity locking
// after a manual action, and the requests that ask the phone to confirm an unlock.

#include "app/records/Device.h"
#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/NumberFields.h"
#include "app/records/OSXPreferences.h"
#include "app/records/SessionInfo.h"
#include "app/remote/TrackUser.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/coordinator/ConfirmationRequestHandler.h"
#include "engine/coordinator/ShieldManager.h"
#include "engine/coordinator/StateMachine.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/session/ScreensaverPreconditions.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

constexpr uint32_t kEventUnlocked = 2;
constexpr uint32_t kEventLocked = 3;

// History triggers.
constexpr uint32_t kTriggerOther = 0;
constexpr uint32_t kTriggerByHand = 1;
constexpr uint32_t kTriggerConfirmedOnPhone = 2;
constexpr uint32_t kTriggerProximity = 3;
constexpr uint32_t kTriggerCommand = 4;
constexpr uint32_t kTriggerLostConnection = 5;
constexpr uint32_t kTriggerTrustedWifi = 6;

int32_t confirmedLocation(const std::shared_ptr<MobileDevice>& phone) {
    auto local = phone ? DataManager::shared().localSettingsForDevice(phone->unId()) : nullptr;
    return local ? local->kestruneConfirmedLocation() : 0;
}

const char* reasonText(int reason) {
    switch (reason) {
        case 0:
            return "proximity";
        case 1:
            return "phone command";
        case 2:
            return "confirmed on the phone";
        case 3:
            return "lost connection";
        case 4:
            return "chosen on the Mac";
        case 5:
            return "trusted Wi-Fi";
        default:
            return "other";
    }
}

}  // namespace

// Lock commands and the session state

void StateMachine::logoutTrackingDeviceForCommadReason(int32_t reason) {
    services_.commands->lockScreenFromMobileDevice_action_commandReason(
        DataManager::shared().getTrackingMobileDevice(), DeviceLocalSettings::shared().actionOnLogout(),
        reason);
}

void StateMachine::logoutIfDeviceTrackingIsActiveForMobileDevice_commadReason(
    const std::shared_ptr<MobileDevice>&, int32_t reason) {
    // Always the tracked phone's command, whichever phone asked.
    logoutTrackingDeviceForCommadReason(reason);
}

void StateMachine::didChangeLoginStateBy(int32_t responsible) {
    auto device = DataManager::shared().getActiveDesktopDevice();
    if (!device) return;
    if (!device->sessionInfo()) device->setSessionInfo(SessionInfo::init());
    device->sessionInfo()->setUserIsLoggedIn(
        platform::Number(MacDisplayControl::shared().ifUserLoggedInAndActive()));
    device->sessionInfo()->setDeviceResponsibleForLastChange(platform::Number(responsible));
    services_.link->didUpdateSessionInforForCurrentDevice(device);
}

// Unlock outcomes

void StateMachine::loginLogoutController_didLoginbyMobileDevice_commandReason(
    LoginLogoutController&, const std::shared_ptr<MobileDevice>&, int reason) {
    platform::logf("Outcome: unlocked (%s)", reasonText(reason));
    DeviceLocalSettings::shared().setFailedToUnlockMac(false);
    userDidLogin();
    didChangeLoginStateBy(1);
    updateTempDisableWhenLogin(1);
    const bool photo = DeviceLocalSettings::shared().takePhotoAfterEachLogin();
    auto& features = *services_.features;
    uint32_t trigger = kTriggerOther;
    switch (reason) {
        case 0:
            features.didUnlockUsingKestrune();
            services_.tutorials->userDidLoginWithKestruneRSSI();
            trigger = kTriggerProximity;
            break;
        case 1:
            features.didUnlockUsingKestrune();
            trigger = kTriggerCommand;
            break;
        case 2:
            features.didUnlockUsingKestrune();
            services_.tutorials->didUnlockMacWithUserConfirmation();
            trigger = kTriggerConfirmedOnPhone;
            break;
        case 5:
            features.didUnlockUsingWiFiUnlock();
            trigger = kTriggerTrustedWifi;
            break;
        default:
            break;
    }
    if (auto event = TrackUser::unlockEventReason(reason))
        services_.system->trackEventType_eventName("Unlock", *event);
    features.insertEvent_forDate_trigger_takePhoto(kEventUnlocked, platform::Date::now(), trigger, photo);
    features.insertUnlockedEntry();
}

void StateMachine::loginLogoutControllerDidLoginManualyByUser(LoginLogoutController&) {
    platform::logf("Outcome: unlocked by hand");
    userDidLogin();
    didChangeLoginStateBy(2);
    updateTempDisableWhenLogin(2);
    services_.features->insertEvent_forDate_trigger_takePhoto(
        kEventUnlocked, platform::Date::now(), kTriggerByHand,
        DeviceLocalSettings::shared().takePhotoAfterEachLogin());
    services_.features->insertUnlockedEntry();
}

void StateMachine::loginLogoutControllerDidFailToLogin(LoginLogoutController&) {
    platform::logf("Outcome: the typed password did not unlock the Mac");
    loginFailed();
    sendNotification_usePushNotificationIfNeeded(4, false);
}

void StateMachine::loginFailed() {
    DataManager::shared().updateUserLoggedIn();
}

void StateMachine::loginLogoutControllerUnableToUnlockMac(LoginLogoutController&) {
    platform::logf("Outcome: the Mac could not be unlocked; the user hears of it at the next unlock");
    DeviceLocalSettings::shared().setFailedToUnlockMac(true);
}

void StateMachine::loginLogoutController_canNotLoginWithGivenPasswordForMobileDevice(
    LoginLogoutController&, const std::shared_ptr<MobileDevice>&) {
    platform::logf("Outcome: the stored password does not log in; the phone hears status 7");
    services_.link->updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
        7, DataManager::shared().getTrackingMobileDevice(), false);
}

// Lock outcomes

void StateMachine::loginLogoutController_didLogoutbyMobileDevice_commandReason(
    LoginLogoutController&, const std::shared_ptr<MobileDevice>& phone, int reason) {
    platform::logf("Outcome: locked (%s)", reasonText(reason));
    userDidLogout();
    uint32_t trigger = kTriggerOther;
    switch (reason) {
        case 0:
            services_.tutorials->userDidLogoutWithKestruneRSSI();
            didChangeLoginStateBy(1);
            trigger = kTriggerProximity;
            break;
        case 1:
            didChangeLoginStateBy(1);
            updateTempDisableTrackingForDeviceRequest(1);
            trigger = kTriggerCommand;
            break;
        case 3:
            didChangeLoginStateBy(1);
            trigger = kTriggerLostConnection;
            break;
        case 4:
            updateTempDisableTrackingForDeviceRequest(2);
            didChangeLoginStateBy(2);
            trigger = kTriggerCommand;
            break;
        default:
            break;
    }
    if (auto event = TrackUser::lockEventReason(reason))
        services_.system->trackEventType_eventName("Lock", *event);
    services_.features->insertEvent_forDate_trigger_takePhoto(kEventLocked, platform::Date::now(), trigger,
                                                              false);
    services_.features->insertLockedEntry();
    // A phone still inside the unlock band gets its confirmation state brought up to date.
    later(1.0, [phone](StateMachine& self) { self.confirmRSSILoginForDevice_resend(phone, false); });
}

void StateMachine::loginLogoutControllerDidLogoutManualyByUser(LoginLogoutController&) {
    platform::logf("Outcome: locked by hand");
    updateDeviceLidIsDownAndNoExtMonitorInfoIfNeeded();
    userDidLogout();
    didChangeLoginStateBy(2);
    updateTempDisableTrackingForDeviceRequest(2);
    services_.features->insertEvent_forDate_trigger_takePhoto(kEventLocked, platform::Date::now(),
                                                              kTriggerOther, false);
    services_.features->insertLockedEntry();
}

void StateMachine::loginLogoutControllerUnableToLockMac(LoginLogoutController&) {
    platform::logf("Outcome: the Mac could not be locked; the user hears of it at the next unlock");
    didChangeLoginStateBy(2);
    DeviceLocalSettings::shared().setFailedToLockMac(true);
}

// Common steps

void StateMachine::userDidLogin() {
    auto& preconditions = ScreensaverPreconditions::shared();
    preconditions.checkForValidScreensaverPreferancesAfterLogin();
    if (preconditions.shouldWarnUserAboutScreensaverPreconditions()) warnUserAboutScreensaverPreconditions();
    services_.menuBar->closeMenuBar();
    if (confirmationHandler_) confirmationHandler_->userDidLogin();
    updateViewsForMobileTrackUpdate();
    services_.features->playIfPreviouslyStopped();
    DataManager::shared().updateUserLoggedIn();
    disableTempProxTrackingAfterLoginIfOn();
    processFailedLockOrUnlock();
}

void StateMachine::userDidLogout() {
    MacDisplayControl::shared().resetDidShowLockOnScreenAfterLogout();
    if (shieldManager_) shieldManager_->updateShieldWindowIfShown();
    services_.menuBar->closeMenuBar();
    if (confirmationHandler_) confirmationHandler_->userDidLogout();
    DeviceLocalSettings::shared().setFailedToLockMac(false);
    DataManager::shared().updateUserLoggedIn();
    disableTempProxTrackingIfOn();
    services_.features->pauseMusic();
}

void StateMachine::warnUserAboutScreensaverPreconditions() {
    services_.navigation->updateDevicesPage();
    services_.navigation->selectRowId_completion("devicesMenu", nullptr);
    services_.system->setDockIconBouncing(true);
}

// What went wrong since the last unlock is told at the next one.
void StateMachine::processFailedLockOrUnlock() {
    auto& local = DeviceLocalSettings::shared();
    if (local.failedToLockMac()) {
        local.setFailedToLockMac(false);
        services_.menuBar->showUnableToLockMac();
    } else if (local.failedToUnlockMac()) {
        local.setFailedToUnlockMac(false);
        services_.menuBar->showUnableToUnlockMac();
    }
    if (local.newFaileLoginAttemptDetected()) {
        local.setNewFaileLoginAttemptDetected(false);
        services_.features->showFailedToLoginDetected();
    }
}

// Pausing proximity locking after a manual action

void StateMachine::updateTempDisableWhenLogin(int32_t responsible) {
    if (syncIsSettling()) {
        later(0.5, [responsible](StateMachine& self) { self.updateTempDisableWhenLogin(responsible); });
        return;
    }
    auto phone = DataManager::shared().getTrackingMobileDevice();
    auto settings = settingsOf(phone);
    if (!settings || !settings->mobileDeviceTrackInfo() || !confirmationHandler_) return;
    // Unlocked while the phone was away: proximity would lock again at once.
    if (!confirmationHandler_->shouldTemporaryDisableKestruneAfterLoginForMobileDevice(phone)) return;
    settings->updateKestrune_responsibleDevice(true, responsible);
    settings->mobileDeviceTrackInfo()->setProxLockTemporaryDisabledBecauseLogin(platform::Number(true));
    if (isConnected(phone)) services_.menuBar->showKestruneTemporaryDisabled();
    didUpdateMobileTrackInfoFromMac();
}

void StateMachine::updateTempDisableTrackingForDeviceRequest(int32_t responsible) {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    auto settings = settingsOf(phone);
    if (!settings || !settings->mobileDeviceTrackInfo()) return;
    // Locked on purpose with the phone near: proximity would unlock again at once.
    if (!boolValueOf(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice()) ||
        onApproachMethod(*settings) != 0 || confirmedLocation(phone) != 2)
        return;
    settings->updateKestrune_responsibleDevice(true, responsible);
    settings->mobileDeviceTrackInfo()->setProxLockTemporaryDisabledBecauseLogout(platform::Number(true));
    didUpdateMobileTrackInfoFromMac();
}

void StateMachine::disableTempProxTrackingIfOn() {
    auto settings = trackedSettings();
    if (!settings || !settings->mobileDeviceTrackInfo()) return;
    auto& info = *settings->mobileDeviceTrackInfo();
    if (!boolValueOf(info.proxLockTemporaryDisabledBecauseLogin())) return;
    info.setProxLockTemporaryDisabledBecauseLogin(platform::Number(false));
    didUpdateMobileTrackInfoFromMac();
}

void StateMachine::disableTempProxTrackingAfterLoginIfOn() {
    auto settings = trackedSettings();
    if (!settings || !settings->mobileDeviceTrackInfo()) return;
    auto& info = *settings->mobileDeviceTrackInfo();
    if (!boolValueOf(info.proxLockTemporaryDisabledBecauseLogout())) return;
    info.setProxLockTemporaryDisabledBecauseLogout(platform::Number(false));
    didUpdateMobileTrackInfoFromMac();
}

void StateMachine::didUpdateMobileTrackInfoFromMac() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    trackInfoUpdatedForDevice(phone);
    if (phone) services_.link->didUpdateTrackInfoForMobileDevice(phone);
}

void StateMachine::trackInfoUpdatedForDevice(const std::shared_ptr<MobileDevice>& phone) {
    auto settings = settingsOf(phone);
    if (settings && settings->mobileDeviceTrackInfo() &&
        !boolValueOf(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice()))
        DataManager::shared().upadteRSSILocationToUnknownForMobileDevice(phone);
    updateViewsForMobileTrackUpdate();
    DataManager::shared().saveCurrentDataModel();
}

// Tracking distance

void StateMachine::updateTrackingDistance(int32_t distance) {
    updateTrackingDistance_responsileDevice(distance, 2);
}

void StateMachine::updateTrackingDistance_responsileDevice(int32_t distance, int32_t responsible) {
    DeviceLocalSettings::shared().setProximityLockDistance(distance);
    auto settings = trackedSettings();
    if (settings && settings->mobileDeviceTrackInfo()) {
        settings->mobileDeviceTrackInfo()->setDistanceToLogin(platform::Number(distance));
        settings->mobileDeviceTrackInfo()->setDeviceResponsibleForLastChange(platform::Number(responsible));
    }
    didUpdateProximityLockInfo();
}

// The lock screen

void StateMachine::loginLogoutControllerDisplayOnButUserNotLoggedIn(LoginLogoutController&) {
    displayOnButUserNotLoggedIn();
}

void StateMachine::displayOnButUserNotLoggedIn() {
    if (!MacDisplayControl::shared().ifLockOnScreenShownAndDeviceLocked()) return;
    tryToLoginInCaseKestruneTemporarilyDisabled();
    lockAppearedOnScreen();
}

void StateMachine::tryToLoginInCaseKestruneTemporarilyDisabled() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!services_.system->bluetoothIsOn() || !phone) return;
    auto settings = settingsOf(phone);
    if (!settings) return;
    // The phone is inside, but a pause after a manual action holds proximity back: the lock screen ends it.
    if (settings->shouldTrackMobileDeviceOrTrackingTemporarilyDisabled() && confirmedLocation(phone) == 2) {
        settings->updateKestrune_responsibleDevice(true, 2);
        didUpdateMobileTrackInfoFromMac();
        recheckRSSIAfterShortDelayForMobileDevice(phone);
    }
    // The decider judges the last known distance again without waiting for a new reading.
    if (isConnected(phone) && settings->distanceFromDevice())
        didUpdateRSSI_fromMobileDevice(*settings->distanceFromDevice(), phone);
}

void StateMachine::lockAppearedOnScreen() {
    if (MacDisplayControl::shared().laptopLidIsDownAndNoExternalMonitor()) return;
    if (syncIsSettling()) {
        later(0.75, [](StateMachine& self) { self.lockAppearedOnScreen(); });
        return;
    }
    sendConfirmationRequestAfterLockAppeardIfNeeded();
    startFailsafeTimeAfterDelayIfNeeded();
    startScanningIndicatorIfNeeded();
}

void StateMachine::sendConfirmationRequestAfterLockAppeardIfNeeded() {
    if (lockAppearedActionTimestamp_.moreSecondsElapsedSinceLastTrigger(kLockScreenActionSpacing))
        handleLockAppearedAction();
}

void StateMachine::handleLockAppearedAction() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (services_.features->shouldUnlockForSafeWifi()) {
        platform::logf("Decision: unlock, the Mac is on a trusted Wi-Fi network");
        services_.commands->loginByMobileDevice_withCommandReason(phone, 5);
        return;
    }
    if (willLoginOnceLockOnScreenAppearsBecauseOfTempDisabled() || !confirmationHandler_) return;
    if (!confirmationHandler_->shouldSendUnlockReqeustWhenPasswordAppearedForMobileDevice(phone)) return;
    lockAppearedActionTimestamp_.eventTriggered();
    sendRemoteLoginRequestBecausePassAppeared(phone);
}

bool StateMachine::willLoginOnceLockOnScreenAppearsBecauseOfTempDisabled() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    auto settings = settingsOf(phone);
    if (!settings || !loginLogoutDecider_) return false;
    // The proximity road will unlock by itself.
    return loginLogoutDecider_->shouldTryToLoginForMobileDevice(phone) &&
           (onApproachMethod(*settings) == 0 || !DeviceLocalSettings::shared().loginOnApproach());
}

void StateMachine::sendRemoteLoginRequestBecausePassAppeared(const std::shared_ptr<MobileDevice>& phone) {
    if (!confirmationHandler_ ||
        !confirmationHandler_->shouldSendUnlockReqeustWhenPasswordAppearedForMobileDevice(phone))
        return;
    // A signal read is on its way: its verdict may unlock without asking the phone.
    if (recheckRSSITimestamp_.isSet() && recheckRSSITimestamp_.secondsElapsedFromLastEvent() < 1.0) {
        later(0.45, [phone](StateMachine& self) { self.sendRemoteLoginRequestBecausePassAppeared(phone); });
        return;
    }
    confirmPasswordLoginAfterPasswordFieldShownForMobileDevice(phone);
}

void StateMachine::confirmPasswordLoginAfterPasswordFieldShownForMobileDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    if (!services_.commands->isExecutingLoginCommand()) executePasswordConfirmationReqeustForDevice(phone);
}

void StateMachine::executePasswordConfirmationReqeustForDevice(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    platform::logf("Decision: ask the phone to confirm the unlock (the password field is shown)");
    setWaitingForConfirmation(phone, 2);
    const bool silent = confirmationHandler_ &&
                        confirmationHandler_->shouldSendSilenPasswordConfirmationForMobileDevice(phone);
    services_.link->confirmLoginForMobileDeviceBecausePasswordFieldShown_silent(phone, silent);
    if (confirmationHandler_) confirmationHandler_->didSendPasswordAppearedRequest();
    if (services_.tutorials->macSleepScreenWizardIsVisible())
        services_.features->showPersistantNativeNotificationWithText(localizable("unlock_mac_with_iphone"));
}

void StateMachine::lockHiddenFromScreen() {
    if (confirmationHandler_) confirmationHandler_->didHidePasswordFieldOnScreen();
    auto phone = DataManager::shared().getTrackingMobileDevice();
    auto settings = settingsOf(phone);
    if (!settings || !settings->isPendingPasswordShownLoginConfirmation()) return;
    setWaitingForConfirmation(phone, 0);
    services_.link->cancelLoginConfirmationPasswordFieldShownForMobileDevice(phone);
    confirmRSSILoginForDevice_resend(phone, false);
}

void StateMachine::checkIfShouldUnlockMacBecauseOfSafeWifi() {
    services_.tutorials->updatePageForCurrentState();
    if (MacDisplayControl::shared().ifLockOnScreenShownAndDeviceLocked() &&
        services_.features->shouldUnlockForSafeWifi()) {
        platform::logf("Decision: unlock, the Mac is on a trusted Wi-Fi network");
        services_.commands->loginByMobileDevice_withCommandReason(
            DataManager::shared().getTrackingMobileDevice(), 5);
    }
}

}  // namespace kestrune
