#include "app/records/MobileSettings.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MacSessionServices.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/NumberFields.h"
#include "app/records/PhoneRecordLookup.h"
#include "app/records/PhoneRecordServices.h"
#include "app/support/Localizable.h"
#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"

namespace kestrune {

namespace {
const MobileSettings::Registrar registrarOfMobileSettings;

// Right after a double check the distance shown is the lock distance, for this long.
constexpr double kDoubleCheckDisplaySeconds = 0.5;
}  // namespace

const RecordSchema<MobileSettings>& MobileSettings::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<MobileSettings>(
        RecordSchema<MobileSettings>()
            .text("unId", &MobileSettings::unId_)
            .record("mobileDeviceTrackInfo", &MobileSettings::mobileDeviceTrackInfo_)
            .record("registeredDeviceUser", &MobileSettings::registeredDeviceUser_)
            .number("distanceFromDevice", &MobileSettings::distanceFromDevice_)
            .record("iOSSettings", &MobileSettings::iOSSettings_)
            .record("OSXSettings", &MobileSettings::OSXSettings_)
            .record("pairingInfo", &MobileSettings::pairingInfo_)
            .decodedInOrder({"unId", "distanceFromDevice", "mobileDeviceTrackInfo", "registeredDeviceUser",
                             "iOSSettings", "OSXSettings", "pairingInfo"}));
    return schema;
}

std::shared_ptr<MobileSettings> MobileSettings::initWithUnId_andDeviceUser(std::optional<std::string> unId,
                                                                           std::shared_ptr<DeviceUser> user) {
    auto settings = init();
    settings->unId_ = std::move(unId);
    settings->registeredDeviceUser_ = std::move(user);
    settings->OSXSettings_ = OSXPreferences::init();
    settings->iOSSettings_ = iOSPreferences::init();
    settings->pairingInfo_ = PairingInfo::init();
    settings->setDefaultValues();
    return settings;
}

std::shared_ptr<MobileSettings> MobileSettings::initWithUnId(std::optional<std::string> unId) {
    return initWithUnId_andDeviceUser(std::move(unId), DeviceUser::init());
}

void MobileSettings::setDefaultValues() {
    platform::logf("Updating connection status: Default Value!!");
    mobileDeviceTrackInfo_ = MobileDeviceTrackInfo::initWithDefaultSettings();
    distanceFromDevice_.reset();
}

void MobileSettings::updateModelUpdateForNewVersion() {
    if (!iOSSettings_) iOSSettings_ = iOSPreferences::init();
    if (!OSXSettings_) OSXSettings_ = OSXPreferences::init();
    if (!pairingInfo_) pairingInfo_ = PairingInfo::init();
    if (!mobileDeviceTrackInfo_) mobileDeviceTrackInfo_ = MobileDeviceTrackInfo::initWithDefaultSettings();
}

void MobileSettings::decodeWithCoder(platform::KeyedUnarchiver& coder) {
    KeyedPayloadRecord::decodeWithCoder(coder);
    updateModelUpdateForNewVersion();
}

std::shared_ptr<MobileSettings> MobileSettings::customCopy() const {
    auto copy = init();
    copy->unId_ = unId_;
    copy->distanceFromDevice_ = distanceFromDevice_;
    if (mobileDeviceTrackInfo_) copy->mobileDeviceTrackInfo_ = mobileDeviceTrackInfo_->copyCustom();
    if (registeredDeviceUser_) copy->registeredDeviceUser_ = registeredDeviceUser_->copyCustom();
    if (iOSSettings_) copy->iOSSettings_ = iOSSettings_->customCopy();
    if (OSXSettings_) copy->OSXSettings_ = OSXSettings_->customCopy();
    if (pairingInfo_) copy->pairingInfo_ = pairingInfo_->customCopy();
    return copy;
}

void MobileSettings::updateMobileSettingsWithLocalSettings() {
    auto& local = DeviceLocalSettings::shared();
    if (registeredDeviceUser_) {
        std::string name = registeredDeviceUser_->username().value_or("");
        registeredDeviceUser_->setHasPassword(
            platform::Number(MacSessionServices::current()->userWithUserNameIsEnabled(name)));
    }
    if (OSXSettings_) {
        OSXSettings_->setAllowLogin(platform::Number(local.allowLoginOnApproach()));
        OSXSettings_->setAllowLogout(platform::Number(local.allowLogoutOnWalkAway()));
        OSXSettings_->setWakeScreenOnApproach(platform::Number(local.loginOnApproach()));
        OSXSettings_->setAllowCloserDistances(platform::Number(local.allowCloserDistances()));
        OSXSettings_->setPasswordScreenAuthMethod(
            unsignedCodeNumber(local.macSleepScreenUnlockConfirmLogin()));
        OSXSettings_->setInstallAuthMethod(unsignedCodeNumber(local.authRequest()));
        OSXSettings_->setOnApproachAuthMethod(unsignedCodeNumber(local.proximityUnlockVerification()));
        OSXSettings_->setAllowSiriLock(platform::Number(local.enableSiriLock()));
        OSXSettings_->setAllowSiriUnlock(platform::Number(local.enableSiriUnlock()));
    }
    if (mobileDeviceTrackInfo_) {
        mobileDeviceTrackInfo_->setShouldTrackMobileDevice(platform::Number(local.proximityLockIsOn()));
        mobileDeviceTrackInfo_->setDistanceToLogin(
            platform::Number(static_cast<long long>(local.proximityLockDistance())));
    }
}

void MobileSettings::updateKestrune_responsibleDevice(bool on, int32_t side) {
    DeviceLocalSettings::shared().setProximityLockIsOn(on);
    if (!mobileDeviceTrackInfo_) return;
    mobileDeviceTrackInfo_->setShouldTrackMobileDevice(platform::Number(on));
    mobileDeviceTrackInfo_->setDeviceResponsibleForLastChange(unsignedCodeNumber(side));
    mobileDeviceTrackInfo_->resetTemporaryDisabledFlags();
}

int32_t MobileSettings::isWaitingForConfirmation() const {
    return OSXSettings_ ? intValueOf(OSXSettings_->isWaitingForConfirmation()) : 0;
}

int32_t MobileSettings::passwordScreenAuthMethod() const {
    return OSXSettings_ ? intValueOf(OSXSettings_->passwordScreenAuthMethod()) : 0;
}

int32_t MobileSettings::onApproachAuthMethod() const {
    return OSXSettings_ ? intValueOf(OSXSettings_->onApproachAuthMethod()) : 0;
}

int32_t MobileSettings::chosenMetric() const {
    return iOSSettings_ ? intValueOf(iOSSettings_->chosenMetric()) : 0;
}

bool MobileSettings::isPendingRSSILoginConfirmation() const {
    return onApproachAuthMethod() != 0 && isWaitingForConfirmation() == 1;
}

bool MobileSettings::isPendingPasswordShownLoginConfirmation() const {
    return isWaitingForConfirmation() == 2 && passwordScreenAuthMethod() > 0;
}

bool MobileSettings::isPendingAnyLoginConfirmation() const {
    return isPendingRSSILoginConfirmation() || isPendingPasswordShownLoginConfirmation();
}

bool MobileSettings::shouldKnockToLogin() const {
    if (isPendingPasswordShownLoginConfirmation()) return passwordScreenAuthMethod() == 3;
    if (isPendingRSSILoginConfirmation()) return onApproachAuthMethod() == 3;
    return false;
}

bool MobileSettings::shouldShowLockOnScreen() const {
    return shouldTrackMobileDeviceOrTrackingTemporarilyDisabled() || shouldKnockToLogin();
}

bool MobileSettings::shouldTrackMobileDeviceOrTrackingTemporarilyDisabled() const {
    if (!mobileDeviceTrackInfo_) return false;
    return boolValueOf(mobileDeviceTrackInfo_->shouldTrackMobileDevice()) ||
           mobileDeviceTrackInfo_->isTemporaryDisabled();
}

bool MobileSettings::shouldConstantlyTrackDeviceDistance() const {
    if (!mobileDeviceTrackInfo_ || !boolValueOf(mobileDeviceTrackInfo_->shouldTrackMobileDevice()))
        return false;
    return iOSSettings_ &&
           (boolValueOf(iOSSettings_->useMotionTracking()) || boolValueOf(iOSSettings_->iOSCharging()));
}

bool MobileSettings::shouldUpdateRemoteRssiForCurrentApplicationState() const {
    int32_t state = iOSSettings_ ? intValueOf(iOSSettings_->iOSapplicationState()) : 0;
    return state == 0 || state == 2;
}

int32_t MobileSettings::currentBatteryPercent() const {
    return iOSSettings_ ? intValueOf(iOSSettings_->batteryPercent()) : 0;
}

int32_t MobileSettings::currentBatteryLevel() const {
    int32_t percent = currentBatteryPercent();
    if (percent < 10) return 1;
    if (percent < 20) return 2;
    if (percent < 80) return 3;
    return 4;
}

bool MobileSettings::shouldShowBatteryWarning() const {
    bool charging = iOSSettings_ && boolValueOf(iOSSettings_->iOSCharging());
    return !charging && currentBatteryLevel() < 3;
}

void MobileSettings::updateLastConnectionTimestamp() {
    if (OSXSettings_) OSXSettings_->setLastConnectionTimestamp(platform::Number(platform::Clock::now()));
}

std::string MobileSettings::currentDistanceString() const {
    return PhoneRecordServices::current()->getStringForMetric_fromRSSI(chosenMetric(), distanceFromDevice_);
}

std::string MobileSettings::distanceToLockString() const {
    std::optional<platform::Number> distance;
    if (mobileDeviceTrackInfo_) distance = mobileDeviceTrackInfo_->distanceToLogin();
    return PhoneRecordServices::current()->getStringForMetric_fromRSSI(chosenMetric(), distance);
}

std::string MobileSettings::calculate(int32_t rssi) const {
    return PhoneRecordServices::current()->getStringForMetric_fromRSSI(chosenMetric(),
                                                                       platform::Number(rssi));
}

std::string MobileSettings::rssiPrettyPrint() const {
    auto lookup = PhoneRecordLookup::current();
    auto local = lookup ? lookup->localSettingsForDevice(unId_) : nullptr;
    if (local && local->secondSinceLastDoubleCheck() < kDoubleCheckDisplaySeconds)
        return distanceToLockString();
    return currentDistanceString();
}

std::string MobileSettings::distanceDescriptionString() const {
    return localizable(chosenMetric() == 3 ? "signal_strength" : "distance");
}

double MobileSettings::lockUnlockDistance() const {
    return mobileDeviceTrackInfo_ ? intValueOf(mobileDeviceTrackInfo_->distanceToLogin()) : 0;
}

int32_t MobileSettings::osXSystemVersion() const {
    if (!OSXSettings_ || !OSXSettings_->OSXSystemVersion()) return 0;
    const std::string& version = *OSXSettings_->OSXSystemVersion();
    if (platform::contains(version, "10.9.")) return 1;
    if (platform::contains(version, "10.10.")) return 2;
    if (platform::contains(version, "10.11.")) return 3;
    if (platform::contains(version, "10.12.")) return 4;
    return 0;
}

}  // namespace kestrune
