// What the phone link and the decider report to the coordinator, and what it does about each.

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/NumberFields.h"
#include "app/records/OSXPreferences.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/coordinator/ConfirmationRequestHandler.h"
#include "engine/coordinator/ShieldManager.h"
#include "engine/coordinator/StateMachine.h"
#include "engine/deciders/RssiToDistance.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/evidence/MotionTracking.h"
#include "platform/base/Clock.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

std::string nameOf(const std::shared_ptr<MobileDevice>& phone) {
    if (phone && phone->mobileDeviceInfo() && phone->mobileDeviceInfo()->deviceName())
        return *phone->mobileDeviceInfo()->deviceName();
    return std::string("a phone");
}

// The interface text with the phone's name in place of its placeholder.
std::string withName(const std::string& text, const std::string& name) {
    auto at = text.find("%@");
    if (at == std::string::npos) return text + " " + name;
    return text.substr(0, at) + name + text.substr(at + 2);
}

}  // namespace

bool StateMachine::isTrackedPhone(const std::shared_ptr<MobileDevice>& phone) const {
    auto tracked = DataManager::shared().getTrackingMobileDevice();
    return phone && tracked && tracked->unId() == phone->unId();
}

std::shared_ptr<MobileSettings> StateMachine::trackedSettings() const {
    return settingsOf(DataManager::shared().getTrackingMobileDevice());
}

void StateMachine::setWaitingForConfirmation(const std::shared_ptr<MobileDevice>& phone, int32_t value) {
    auto settings = settingsOf(phone);
    if (settings && settings->OSXSettings())
        settings->OSXSettings()->setIsWaitingForConfirmation(platform::Number(value));
}

bool StateMachine::syncIsSettling() const {
    return syncStartedTimestamp_.isSet() &&
           syncStartedTimestamp_.secondsElapsedFromLastEvent() < kSyncSettlingSeconds &&
           !didFinishSyncWithDevice_;
}

// Commands from the phone

void StateMachine::requestController_didReceiveLoginCommandFromMobileDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    setWaitingForConfirmation(phone, 0);
    // Already unlocked: the phone only needs to hear the state again.
    if (MacDisplayControl::shared().ifUserLoggedInAndActive()) {
        platform::logf("Decision: nothing to unlock, the Mac is unlocked; the phone hears the state");
        didChangeLoginStateBy(2);
        return;
    }
    platform::logf("Decision: unlock, the phone asks for it (phone command)");
    services_.commands->loginByMobileDevice_withCommandReason(phone, 1);
}

void StateMachine::requestController_didReceiveLogoutCommandFromMobileDevice(
    const std::shared_ptr<MobileDevice>& phone) {
    setWaitingForConfirmation(phone, 0);
    if (MacDisplayControl::shared().ifUserLoggedInAndActive()) {
        platform::logf("Decision: lock, the phone asks for it (phone command)");
        logoutIfDeviceTrackingIsActiveForMobileDevice_commadReason(phone, 1);
        return;
    }
    platform::logf("Decision: nothing to lock, the Mac is locked; the phone hears the state");
    didChangeLoginStateBy(2);
}

void StateMachine::loginForMobileDeviceBecauseOfLoginConfirmation(
    const std::shared_ptr<MobileDevice>& phone) {
    platform::logf("Decision: unlock, confirmed on the phone");
    services_.commands->loginByMobileDevice_withCommandReason(phone, 2);
    setWaitingForConfirmation(phone, 0);
}

// Proximity unlock and its confirmation by the phone

void StateMachine::didUpdateRSSI_fromMobileDevice(const platform::Number& distance,
                                                  const std::shared_ptr<MobileDevice>& phone) {
    if (!isConnected(phone) || !loginLogoutDecider_) return;
    loginLogoutDecider_->didUpdateRSSI_fromMobileDevice(distance, phone);
}

void StateMachine::processRSSILoginForMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    auto settings = settingsOf(phone);
    if (!settings) return;
    if (onApproachMethod(*settings) == 0) {
        platform::logf("Decision: unlock, the phone came back into the unlock band (proximity)");
        services_.commands->loginByMobileDevice_withCommandReason(phone, 0);
        return;
    }
    confirmRSSILoginForDevice_resend(phone, false);
}

void StateMachine::confirmRSSILoginForDevice_resend(const std::shared_ptr<MobileDevice>& phone, bool resend) {
    auto settings = settingsOf(phone);
    if (!settings) return;
    const bool confirm = shouldConfirmRSSILoginForDevice(phone);
    const bool waiting =
        settings->OSXSettings() && intValueOf(settings->OSXSettings()->isWaitingForConfirmation()) == 1;
    // A request already out is not sent again unless asked to; a change either way starts or withdraws it.
    if (confirm != waiting || (resend && confirm)) executeRSSIConfirmationReqeust_forDevice(confirm, phone);
}

bool StateMachine::shouldConfirmRSSILoginForDevice(const std::shared_ptr<MobileDevice>& phone) {
    auto settings = settingsOf(phone);
    if (!settings || !loginLogoutDecider_) return false;
    return !services_.commands->isExecutingLoginCommand() &&
           MacDisplayControl::shared().ifScreenIsLockedOrScreensaverShown() &&
           onApproachMethod(*settings) != 0 && !settings->isPendingPasswordShownLoginConfirmation() &&
           loginLogoutDecider_->shouldTryToLoginForMobileDevice(phone);
}

void StateMachine::executeRSSIConfirmationReqeust_forDevice(bool confirm,
                                                            const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (confirm) {
        platform::logf("Decision: ask the phone to confirm the unlock (proximity)");
        setWaitingForConfirmation(phone, 1);
        updateAndSyncData();
        confirmRSSILoginRequest_.eventTriggered();
        const bool silent =
            confirmationHandler_ &&
            confirmationHandler_->shouldSendSilentRSSIConfirmationReqeustForMobileDevice(phone);
        services_.link->confirmLoginForMobileDevice_silent(phone, silent);
        if (confirmationHandler_) confirmationHandler_->didSendRSSILoginRequest();
        return;
    }
    setWaitingForConfirmation(phone, 0);
    updateAndSyncData();
    services_.link->cancelLoginConfirmationForMobileDevice(phone);
}

void StateMachine::recheckRSSIAfterShortDelayForMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    later(0.01, [phone](StateMachine& self) {
        self.services_.link->checkRSSIForMobileDeviceAndNotifyDelegate(phone);
    });
    recheckRSSITimestamp_.eventTriggered();
}

void StateMachine::updateAndSyncData() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (isConnected(phone)) services_.link->syncAllDeviceSettingsForMobileDevice(phone);
}

// Connection and sync

void StateMachine::requestController_didStartSyncingWithMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    platform::logf("Outcome: connected to %s", nameOf(phone).c_str());
    didFinishSyncWithDevice_ = false;
    syncStartedTimestamp_.eventTriggered();
    DataManager::shared().updateInfoBeforeSyncingForMobileDevice(phone);
    updateDeviceLidIsDownAndNoExtMonitorInfoIfNeeded();
    if (isTrackedPhone(phone) && logoutOnDisconnectManager_)
        logoutOnDisconnectManager_->cancelLogoutOnDisconnectProces();
    recheckRSSIAfterShortDelayForMobileDevice(phone);
}

void StateMachine::requestController_didUpdateApplicationStateFromMobileDevice_withState(
    RequestController&, const std::shared_ptr<MobileDevice>& phone, const platform::Number&) {
    auto settings = settingsOf(phone);
    // The stored state is read, not the number that came with the call.
    if (settings && settings->iOSSettings() &&
        intValueOf(settings->iOSSettings()->iOSapplicationState()) == 1)
        services_.tutorials->didLooseConnectionWithMobileDevice(phone);
    if (!didFinishSyncWithDevice_ && phone) {
        didFinishSyncWithDevice_ = true;
        recheckRSSIAfterShortDelayForMobileDevice(phone);
        services_.link->removeDeviceFromIgnoreList(phone);
        auto& local = DeviceLocalSettings::shared();
        if (settings && settings->iOSSettings() && settings->iOSSettings()->chosenMetric())
            local.setLastUsedMetric(intValueOf(settings->iOSSettings()->chosenMetric()));
        local.setLastActiveTimestamp(static_cast<int64_t>(platform::Clock::now()));
        DataManager::shared().saveCurrentDataModel();
        if (isTrackedPhone(phone)) {
            trackingDeviceConnectedAndReady(phone);
            // A phone that comes back while the lock screen is up starts the unlock paths at once.
            if (MacDisplayControl::shared().ifLockOnScreenShownAndDeviceLocked()) {
                displayOnButUserNotLoggedIn();
                checkIfShouldUnlockMacBecauseOfSafeWifi();
            }
        }
    }
    updateViewsForMobileTrackUpdate();
    services_.tutorials->didSyncWithMobileDevice(phone);
    if (services_.tutorials->helpTutorialIsVisible()) popViewModelAnimated(true);
}

void StateMachine::trackingDeviceConnectedAndReady(const std::shared_ptr<MobileDevice>& phone) {
    invalidateFailSafeTimer();
    warnUserAboutNewSoftwareUpdateIfNeccesary();
    services_.features->verifyIfUpdatesAvalable();
    MotionTracking::shared().motionDetected();
    updateLastConnectionTimestamp();
    services_.link->didEstablishConnectionAndFinishedSynWithDevice(phone);
    services_.tutorials->updateTutorialStateAfterConnectionUpdate();
}

void StateMachine::updateLastConnectionTimestamp() {
    if (auto settings = trackedSettings()) settings->updateLastConnectionTimestamp();
    services_.system->updateCurrentRemoteStateIfNeeded();
}

// Pairing

void StateMachine::requestController_didReceiveRequestToConnectToMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    platform::logf("Decision: ask the user to accept %s, which asks to pair", nameOf(phone).c_str());
    auto system = services_.system;
    showAddNewDeviceViewOpen_withCompletion(true, [system] { system->playFoundNewDeviceSound(); });
}

void StateMachine::requestController_didSuccessfullyPair_withMobileDevice(
    RequestController&, bool accepted, const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    platform::logf("Outcome: paired with %s; proximity locking starts switched off", nameOf(phone).c_str());
    // Tracking starts off, switched by the Mac; the phone's user turns it on.
    if (auto settings = settingsOf(phone)) settings->updateKestrune_responsibleDevice(false, 2);
    updateTrackingDistance(static_cast<int32_t>(RssiToDistance::minRSSIvalue()));
    DataManager::shared().clearPairingDevice();
    services_.tutorials->didSuccessfullyPair_withMobileDevice(accepted, phone);
    const std::string text = withName(localizable("you_have_sucessfuly_paired"), nameOf(phone));
    later(0.5,
          [text](StateMachine& self) { self.services_.features->showDidConnectNotificationWithText(text); });
    DataManager::shared().deleteAllDevicesExceptTrackingDevice();
    trackingDeviceConnectedAndReady(phone);
}

// Connection status

void StateMachine::updateConnectionStatus_forDevice_andNotifyDevice(
    int32_t status, const std::shared_ptr<MobileDevice>& phone, bool notify) {
    if (!phone) return;
    // Read before storing: once -1 is stored the phone is no longer the tracked one, and the steps below
    // are about the phone as it was.
    const bool tracked = isTrackedPhone(phone);
    int32_t stored = status;
    if (status == PairingInfo::kConnectionStatusUpdateUnlinkedByPhone) {
        if (tracked) didUnlindFromIphone();
        stored = PairingInfo::kConnectionStatusUnlinkedByPhone;
    }
    auto settings = settingsOf(phone);
    if (settings && settings->pairingInfo())
        settings->pairingInfo()->setConnectionStatus(platform::Number(stored));
    if (notify)
        services_.link->updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
            stored, phone, true);
    if (tracked && (status == PairingInfo::kConnectionStatusUpdateUnlinkedByPhone ||
                    status == PairingInfo::kConnectionStatusUpdateForget)) {
        platform::logf("Decision: forget every phone in 1 s (status %d)", status);
        later(1.0, [phone](StateMachine& self) { self.forgetAndDisconnectMobileDevice(phone); });
    }
    updateViewsForMobileTrackUpdate();
    if (status == PairingInfo::kConnectionStatusRefusedByUser) {
        platform::logf("Refused connection!");
        lostConnectionToMobileDevice(phone);
    }
    DataManager::shared().saveCurrentDataModel();
}

void StateMachine::forgetAndDisconnectMobileDevice(const std::shared_ptr<MobileDevice>&) {
    services_.link->forgetAllDevices();
    services_.link->disconnectFromAllDevicesImmediatelly(false);
    services_.link->cleanTheIgnoreList();
    services_.system->updateCurrentRemoteStateIfNeeded();
}

// Disconnection

void StateMachine::requestController_didDisconnectFromMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    platform::logf("Outcome: the link to %s was lost", nameOf(phone).c_str());
    auto& data = DataManager::shared();
    auto pairing = data.pairingMobileDevice();
    if (phone && pairing && pairing->unId() == phone->unId()) {
        data.clearPairingDevice();
        showAddNewDeviceViewOpen_withCompletion(false, nullptr);
    }
    updateViewsForMobileTrackUpdate();
    lostConnectionToMobileDevice(phone);
    data.saveCurrentDataModel();
    if (isTrackedPhone(phone)) {
        didFinishSyncWithDevice_ = false;
        later(5.0, [](StateMachine& self) { self.updateStatuIcon(); });
    }
}

void StateMachine::lostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>& phone) {
    setWaitingForConfirmation(phone, 0);
    if (shouldStartLogoutOnDisconnect(phone) && logoutOnDisconnectManager_) {
        platform::logf(
            "Decision: lock in %.0f s unless the phone comes back (the link to the phone was lost)",
            LogoutOnDIsconnectManager::kDelaySeconds);
        logoutOnDisconnectManager_->startLogoutOnDisconnectProcess();
    }
    services_.tutorials->lostConnectionToMobileDevice(phone);
}

bool StateMachine::shouldStartLogoutOnDisconnect(const std::shared_ptr<MobileDevice>& phone) {
    if (!isTrackedPhone(phone)) return false;
    auto settings = settingsOf(phone);
    if (!settings || !settings->mobileDeviceTrackInfo()) return false;
    return boolValueOf(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice()) &&
           DeviceLocalSettings::shared().logoutOnDisconnect() &&
           !services_.features->isConectedToSafeWifi() && !applicationInShutdownProcess_ &&
           services_.system->bluetoothIsOn();
}

// The other reports of the link

void StateMachine::requestController_protocolVersionNotMatching(RequestController&, bool macMustUpdate) {
    services_.system->setDockIconBouncing(true);
    services_.system->playDingSound();
    if (macMustUpdate)
        showUpdateKestruneOnYourMac();
    else
        showUpdateKestruneOnYourPhone();
}

void StateMachine::requestController_didUpdateRSSI_fromMobileDevice(
    RequestController&, const platform::Number& distance, const std::shared_ptr<MobileDevice>& phone) {
    didUpdateRSSI_fromMobileDevice(distance, phone);
}

void StateMachine::requestControllerDidExperienceFatalError(RequestController&) {
    requestControllerDidExperienceFatalError();
}

void StateMachine::requestControllerDidExperienceCorruptedBluetoothCache(RequestController&) {
    auto& local = DeviceLocalSettings::shared();
    local.setBluetoothCacheErrorDetected(platform::Date::now());
    if (services_.system->shouldNotifyUserAboutCorruptedBluetoothCache()) {
        services_.menuBar->showClearBluetoothCache();
        local.setUserWarnedAboutBluetoothCacheError(platform::Date::now());
    }
    services_.tutorials->refreshHomeView();
}

void StateMachine::requestController_didReceiveMobileNotification(RequestController&, int32_t code) {
    switch (code) {
        case 0:  // a knock
            if (animationHelper_) animationHelper_->knockDetected();
            if (shieldManager_) shieldManager_->animateEffect(0);
            break;
        case 1:
            services_.system->playDingSound();
            showProximityLockTutorial();
            break;
        case 2:
            takeManualPhoto();
            break;
        case 3:
            userDidToggleCheckForUpdates();
            break;
        case 4:
            sendClipboardToIos();
            break;
        default:  // codes the Mac only sends, and unknown ones
            break;
    }
}

void StateMachine::takeManualPhoto() {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    services_.features->createAndSaveManualSnapshotWithCompletion([weak] {
        if (auto self = weak.lock()) self->sendNotification_usePushNotificationIfNeeded(5, false);
    });
}

void StateMachine::sendNotification_usePushNotificationIfNeeded(int32_t code, bool usePush) {
    services_.link->sendNotification_toMobileDevice_usePushNotificationIfNeeded(
        code, DataManager::shared().getTrackingMobileDevice(), usePush);
}

void StateMachine::requestController_didUpdateSessionInfoForDevice(RequestController&,
                                                                   const std::shared_ptr<MobileDevice>&) {
    updateDeviceLidIsDownAndNoExtMonitorInfoIfNeeded();
}

void StateMachine::requestController_didChangeSettings_forMobileDevice(
    RequestController&, const std::shared_ptr<MobileDeviceTrackInfo>& trackInfo,
    const std::shared_ptr<MobileDevice>& phone) {
    setWaitingForConfirmation(phone, 0);
    if (trackInfo && boolValueOf(trackInfo->shouldTrackMobileDevice()))
        recheckRSSIAfterShortDelayForMobileDevice(phone);
    showMainMenu();
    trackInfoUpdatedForDevice(phone);
}

void StateMachine::requestController_didChangeTrackingDistance_forMobileDevice(
    RequestController&, int32_t distance, const std::shared_ptr<MobileDevice>&) {
    updateTrackingDistance_responsileDevice(distance, 1);
}

void StateMachine::requestController_didConfirmAuthRequest_forDevice(RequestController&, const std::string&,
                                                                     const std::shared_ptr<MobileDevice>&) {
    // The phone approved the authorisation dialog: the listener types the stored password into it.
    if (securityAgentListener_) securityAgentListener_->authenticateSecurityAgent();
}

void StateMachine::requestController_didReceiveLoginCommandFromMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    requestController_didReceiveLoginCommandFromMobileDevice(phone);
}

void StateMachine::requestController_didReceiveLogoutCommandFromMobileDevice(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    requestController_didReceiveLogoutCommandFromMobileDevice(phone);
}

void StateMachine::requestController_didUpdateConnectionStatus_fromMobileDevice(
    RequestController&, const platform::Number& status, const std::shared_ptr<MobileDevice>& phone) {
    updateConnectionStatus_forDevice_andNotifyDevice(status.intValue(), phone, false);
}

void StateMachine::requestController_didConfirmLogin_fromMobileDevice(
    RequestController&, const platform::Number& confirmed, const std::shared_ptr<MobileDevice>& phone) {
    if (!confirmed.boolValue()) return;
    std::weak_ptr<StateMachine> weak = weak_from_this();
    auto proceed = [weak, phone] {
        if (auto self = weak.lock()) self->loginForMobileDeviceBecauseOfLoginConfirmation(phone);
    };
    // The knock animation on screen finishes first.
    if (animationHelper_)
        animationHelper_->finishKnockAnimation(proceed);
    else
        proceed();
}

void StateMachine::requestController_didUpdateMobileDeviceSettings(
    RequestController&, const std::shared_ptr<MobileDevice>& phone) {
    MotionTracking::shared().motionDetected();
    updateLanguageIfNeededForDevice(phone);
}

void StateMachine::updateLanguageIfNeededForDevice(const std::shared_ptr<MobileDevice>& phone) {
    auto settings = settingsOf(phone);
    if (!settings || !settings->iOSSettings() || !settings->iOSSettings()->language()) return;
    std::weak_ptr<StateMachine> weak = weak_from_this();
    services_.features->updateLanguageIfNeeded_didUpdateCallback(*settings->iOSSettings()->language(),
                                                                 [weak] {
                                                                     if (auto self = weak.lock())
                                                                         self->updateViewForLanguageUpdate();
                                                                 });
}

void StateMachine::updateViewForLanguageUpdate() {
    updateSettingsSplitView();
}

void StateMachine::requestController_didUpdateClipboardText_forDevice(
    RequestController&, const std::string& text, const std::shared_ptr<MobileDevice>& phone) {
    const bool copied = services_.features->pasteToClipboard(text);
    services_.link->didCopyClipboard_toMac(copied, phone);
    services_.features->didCopyToMacClipboard(copied);
}

void StateMachine::requestController_didUpdateIosClipboard_forDevice(RequestController&, bool copied,
                                                                     const std::shared_ptr<MobileDevice>&) {
    services_.features->didCopyToIosClipboard(copied);
}

// The decider's verdicts

void StateMachine::RSSILoginLogoutDecider_recheckRssiForMobileDevice(
    RSSILoginLogoutDecider&, const std::shared_ptr<MobileDevice>& phone) {
    if (!phone) return;
    if (auto local = DataManager::shared().localSettingsForDevice(phone->unId()))
        local->deviceIsDoubleChecking();
    recheckRSSIAfterShortDelayForMobileDevice(phone);
}

void StateMachine::RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(
    RSSILoginLogoutDecider&, const std::shared_ptr<MobileDevice>& phone) {
    if (didFinishSyncWithDevice_) services_.link->mobileDeviceDidUpdateRSSI(phone);
}

void StateMachine::RSSILoginLogoutDecider_didExitKestruneRadius(RSSILoginLogoutDecider&,
                                                                const std::shared_ptr<MobileDevice>& phone) {
    if (confirmationHandler_) confirmationHandler_->didExitProximityUnlockRadius();
    disableTempProxTrackingAfterLoginIfOn();
    auto settings = settingsOf(phone);
    // A request stands for its first 3 s: the phone may be just at the edge of the band.
    if (settings && settings->isPendingRSSILoginConfirmation() &&
        confirmRSSILoginRequest_.moreSecondsElapsedSinceLastTrigger(kConfirmationStandsSeconds)) {
        setWaitingForConfirmation(phone, 0);
        services_.link->cancelLoginConfirmationForMobileDevice(phone);
    }
}

void StateMachine::RSSILoginLogoutDecider_logoutForMobileDevice(RSSILoginLogoutDecider&,
                                                                const std::shared_ptr<MobileDevice>& phone) {
    platform::logf("Decision: lock, the phone left the lock radius (proximity)");
    logoutIfDeviceTrackingIsActiveForMobileDevice_commadReason(phone, 0);
    if (didFinishSyncWithDevice_) services_.link->mobileDeviceDidUpdateRSSI(phone);
}

void StateMachine::RSSILoginLogoutDecider_didEnterKestruneRadius(RSSILoginLogoutDecider&,
                                                                 const std::shared_ptr<MobileDevice>&) {
    disableTempProxTrackingIfOn();
}

void StateMachine::RSSILoginLogoutDecider_loginForMobileDevice(RSSILoginLogoutDecider&,
                                                               const std::shared_ptr<MobileDevice>& phone) {
    if (!services_.commands->isAnyCommandInExecution()) processRSSILoginForMobileDevice(phone);
    if (didFinishSyncWithDevice_) services_.link->mobileDeviceDidUpdateRSSI(phone);
}

void StateMachine::RSSILoginLogoutDecider_didUpdateOverAllInfoForMobileDevice(
    RSSILoginLogoutDecider&, const std::shared_ptr<MobileDevice>& phone) {
    updateViewsForMobileTrackUpdate();
    services_.tutorials->updateTutorialStateForMobileDevice(phone);
}

}  // namespace kestrune
