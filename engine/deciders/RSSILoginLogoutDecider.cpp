#include "engine/deciders/RSSILoginLogoutDecider.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/NumberFields.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "engine/deciders/KestruneRadius.h"
#include "engine/deciders/SafeWifiUnlockPolicy.h"
#include "engine/evidence/KestruneEvent.h"
#include "engine/evidence/KestruneIdleManager.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/session/UserControl.h"

namespace kestrune {

namespace {

std::shared_ptr<MobileSettings> settingsOf(const std::shared_ptr<MobileDevice>& device) {
    return device ? DataManager::shared().settingsForDeviceId(device->unId()) : nullptr;
}

std::shared_ptr<MobileSettingsLocal> localOf(const std::shared_ptr<MobileDevice>& device) {
    return device ? DataManager::shared().localSettingsForDevice(device->unId()) : nullptr;
}

std::string identifierOf(const std::shared_ptr<MobileDevice>& device) {
    return device && device->unId() ? *device->unId() : std::string();
}

const MobileDeviceTrackInfo* trackInfoOf(const std::shared_ptr<MobileSettings>& s) {
    return s ? s->mobileDeviceTrackInfo().get() : nullptr;
}

bool tracking(const MobileDeviceTrackInfo* info) {
    return info && boolValueOf(info->shouldTrackMobileDevice());
}
bool pausedBecauseLogin(const MobileDeviceTrackInfo* info) {
    return info && boolValueOf(info->proxLockTemporaryDisabledBecauseLogin());
}
bool pausedBecauseLogout(const MobileDeviceTrackInfo* info) {
    return info && boolValueOf(info->proxLockTemporaryDisabledBecauseLogout());
}

int32_t confirmedLocationOf(const std::shared_ptr<MobileDevice>& device) {
    auto local = localOf(device);
    return local ? local->kestruneConfirmedLocation() : 0;
}

void setConfirmedLocation(const std::shared_ptr<MobileDevice>& device, int32_t location) {
    if (auto local = localOf(device)) local->setKestruneConfirmedLocation(location);
}

}  // namespace

void RSSILoginLogoutDecider::didUpdateRSSI_fromMobileDevice(const platform::Number&,
                                                            const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    if (!settings || !settings->pairingInfo() ||
        intValueOf(settings->pairingInfo()->connectionStatus()) != PairingInfo::kConnectionStatusPaired)
        return;
    if (shouldAnalyzeRSSIUpdateForMobileDevice(device)) {
        if (isInsideKestruneRadiusWithTreshold(*settings))
            isInsideOfKestruneRadiusForMobileDevice(device);
        else if (isOutsideKestruneRadiusWithTreshold(*settings))
            isOutsideOfKestruneRadiusForMobileDevice(device);
        else
            isInTresholdAreaForMobileDevice(device);
    }
    notifyUserAboutRSSIUpdateIfNeededForMobileDevice(device);
}

bool RSSILoginLogoutDecider::shouldAnalyzeRSSIUpdateForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    auto tracked = DataManager::shared().getTrackingMobileDevice();
    if (!device || !tracked || tracked->unId() != device->unId()) return false;
    auto settings = settingsOf(device);
    if (!settings || !settings->registeredDeviceUser()) return false;
    const auto& registered = settings->registeredDeviceUser()->username();
    if (runningUserName_.empty()) runningUserName_ = UserControl::getCurrentLogedInUsername();
    if (!registered || *registered != runningUserName_) return false;
    if (!tracking(trackInfoOf(settings))) return false;
    if (MacDisplayControl::shared().laptopLidIsDownAndNoExternalMonitor()) return false;
    return !SafeWifiUnlockPolicy::current();
}

void RSSILoginLogoutDecider::isInTresholdAreaForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    const auto identifier = identifierOf(device);
    loginConfirmer_.resetExecuteCommandCheckerForIdentifier(identifier);
    logoutConfirmer_.resetExecuteCommandCheckerForIdentifier(identifier);
    // The next reading is smoothed against the lock distance itself, and the views show it.
    auto settings = settingsOf(device);
    if (const auto* info = trackInfoOf(settings)) settings->setDistanceFromDevice(info->distanceToLogin());
}

void RSSILoginLogoutDecider::isInsideOfKestruneRadiusForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    const auto identifier = identifierOf(device);
    logoutConfirmer_.resetExecuteCommandCheckerForIdentifier(identifier);
    if (confirmedLocationOf(device) == 2 ||
        loginConfirmer_.shouldExecuteCommandAfterEventForIdentifier(identifier))
        didVerifyEnteringKestruneRadiusForDevice(device);
    else if (delegate)
        delegate->RSSILoginLogoutDecider_recheckRssiForMobileDevice(*this, device);
}

void RSSILoginLogoutDecider::isOutsideOfKestruneRadiusForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    const auto identifier = identifierOf(device);
    loginConfirmer_.resetExecuteCommandCheckerForIdentifier(identifier);
    if (confirmedLocationOf(device) == 1 ||
        logoutConfirmer_.shouldExecuteCommandAfterEventForIdentifier(identifier))
        didVerifyExitingKestruneRadiusForDevice(device);
    else if (delegate)
        delegate->RSSILoginLogoutDecider_recheckRssiForMobileDevice(*this, device);
}

void RSSILoginLogoutDecider::didVerifyEnteringKestruneRadiusForDevice(
    const std::shared_ptr<MobileDevice>& device) {
    setConfirmedLocation(device, 2);
    if (delegate) delegate->RSSILoginLogoutDecider_didEnterKestruneRadius(*this, device);
    processForProximityInsideForDevice(device);
}

void RSSILoginLogoutDecider::didVerifyExitingKestruneRadiusForDevice(
    const std::shared_ptr<MobileDevice>& device) {
    // The listener hears of the exit while the old location still stands.
    if (delegate) delegate->RSSILoginLogoutDecider_didExitKestruneRadius(*this, device);
    setConfirmedLocation(device, 1);
    processForProximityOutsideForDevice(device);
}

void RSSILoginLogoutDecider::processForProximityInsideForDevice(const std::shared_ptr<MobileDevice>& device) {
    if (shouldProcessRSSIAfterEnteringKestruneRaduisForDevice(device) &&
        shouldExecuteLoginCommandForMobileDevice(device))
        executeLoginCommandForMobileDevice(device);
}

void RSSILoginLogoutDecider::processForProximityOutsideForDevice(
    const std::shared_ptr<MobileDevice>& device) {
    if (shouldProcessRSSIAfterLeavingKestruneRaduisForDevice(device) &&
        shouldExecuteLogoutCommandForMobileDevice(device))
        executeLogoutCommandForMobileDevice(device);
}

bool RSSILoginLogoutDecider::shouldProcessRSSIAfterEnteringKestruneRaduisForDevice(
    const std::shared_ptr<MobileDevice>& device) {
    if (pausedBecauseLogin(trackInfoOf(settingsOf(device)))) return true;
    if (shouldIgnoreLoginBecauseMinTimeInterval()) return false;
    return shouldTryToLoginForMobileDevice(device);
}

bool RSSILoginLogoutDecider::shouldProcessRSSIAfterLeavingKestruneRaduisForDevice(
    const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    if (settings && settings->isPendingRSSILoginConfirmation()) return true;
    if (pausedBecauseLogout(trackInfoOf(settings))) return true;
    return shouldTryToLogoutForMobileDevice(device);
}

bool RSSILoginLogoutDecider::shouldExecuteLoginCommandForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    return shouldTryToLoginForMobileDevice(device) && !shouldIgnoreLoginBecauseMinTimeInterval();
}

bool RSSILoginLogoutDecider::shouldExecuteLogoutCommandForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    return shouldTryToLogoutForMobileDevice(device) &&
           loginLogoutTriggered_.secondsElapsedFromLastEvent() >= kCommandSpacingSeconds;
}

bool RSSILoginLogoutDecider::shouldIgnoreLoginBecauseMinTimeInterval() const {
    if (loginLogoutTriggered_.secondsElapsedFromLastEvent() < kCommandSpacingSeconds) return true;
    return KestruneEvent::shared().timeSinceAnyEvent() < kSessionChangeSpacingSeconds;
}

bool RSSILoginLogoutDecider::shouldTryToLoginForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    auto settings = settingsOf(device);
    const auto* info = trackInfoOf(settings);
    if (!tracking(info) || pausedBecauseLogout(info)) return false;
    auto& display = MacDisplayControl::shared();
    if (display.ifUserLoggedInAndActive()) return false;
    auto& local = DeviceLocalSettings::shared();
    if (!local.allowLoginOnApproach()) return false;
    if (!isInsideKestruneRadius(*settings)) return false;
    if (local.loginOnApproach()) return true;
    if (display.ifLockOnScreenShownAndDeviceLocked()) return true;
    return settings->OSXSettings() && intValueOf(settings->OSXSettings()->onApproachAuthMethod()) != 0;
}

bool RSSILoginLogoutDecider::shouldTryToLogoutForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    if (pausedBecauseLogin(trackInfoOf(settingsOf(device)))) return false;
    if (!MacDisplayControl::shared().ifUserLoggedInAndActive()) return false;
    if (!DeviceLocalSettings::shared().allowLogoutOnWalkAway()) return false;
    auto& idle = KestruneIdleManager::shared();
    if (idle.userWasRecentlyActive()) {
        // Stamped so that the intake passes every reading for a while and the lock is retried.
        idle.kestruneRefusedToLoginBecauseUserActive();
        return false;
    }
    if (loginLogoutTriggered_.secondsElapsedFromLastEvent() < kCommandSpacingSeconds) return false;
    return KestruneEvent::shared().timeSinceAnyEvent() >= kSessionChangeSpacingSeconds;
}

void RSSILoginLogoutDecider::executeLoginCommandForMobileDevice(const std::shared_ptr<MobileDevice>& device) {
    loginLogoutTriggered_.eventTriggered();
    loginConfirmer_.resetExecuteCommandCheckerForIdentifier(identifierOf(device));
    if (delegate) delegate->RSSILoginLogoutDecider_loginForMobileDevice(*this, device);
}

void RSSILoginLogoutDecider::executeLogoutCommandForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    loginLogoutTriggered_.eventTriggered();
    logoutConfirmer_.resetExecuteCommandCheckerForIdentifier(identifierOf(device));
    if (delegate) delegate->RSSILoginLogoutDecider_logoutForMobileDevice(*this, device);
}

void RSSILoginLogoutDecider::notifyUserAboutRSSIUpdateIfNeededForMobileDevice(
    const std::shared_ptr<MobileDevice>& device) {
    if (!mobileNotifierEvent_.moreSecondsElapsedSinceLastTrigger(kDisplaySpacingSeconds)) return;
    mobileNotifierEvent_.eventTriggered();
    auto settings = settingsOf(device);
    if (!delegate) return;
    if (settings && settings->shouldUpdateRemoteRssiForCurrentApplicationState())
        delegate->RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(*this, device);
    delegate->RSSILoginLogoutDecider_didUpdateOverAllInfoForMobileDevice(*this, device);
}

}  // namespace kestrune
