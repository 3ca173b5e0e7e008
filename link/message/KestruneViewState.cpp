#include "link/message/KestruneViewState.h"

#include "app/records/NumberFields.h"

namespace kestrune {

namespace {
const KestruneViewState::Registrar registrarOfKestruneViewState;

bool sameTexts(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    return a && b && *a == *b;
}
bool sameBooleans(const std::optional<platform::Number>& a, const std::optional<platform::Number>& b) {
    return boolValueOf(a) == boolValueOf(b);
}
bool sameIntegers(const std::optional<platform::Number>& a, const std::optional<platform::Number>& b) {
    return intValueOf(a) == intValueOf(b);
}
}  // namespace

const RecordSchema<KestruneViewState>& KestruneViewState::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema = *new RecordSchema<KestruneViewState>(
        RecordSchema<KestruneViewState>()
            .text("deviceId", &KestruneViewState::deviceId_)
            .number("hasTrackingDevice", &KestruneViewState::hasTrackingDevice_)
            .number("connectionState", &KestruneViewState::connectionState_)
            .number("userIsLoggedIn", &KestruneViewState::userIsLoggedIn_)
            .number("shouldTrackMobileDevice", &KestruneViewState::shouldTrackMobileDevice_)
            .number("kestruneTemporarilyDisabled", &KestruneViewState::kestruneTemporarilyDisabled_)
            .number("trackingDistance", &KestruneViewState::trackingDistance_)
            .text("trackingDistanceText", &KestruneViewState::trackingDistanceText_)
            .number("kestruneLoading", &KestruneViewState::kestruneLoading_)
            .number("fastLockLoading", &KestruneViewState::fastLockLoading_)
            .number("metric", &KestruneViewState::metric_)
            .number("showInfoButton", &KestruneViewState::showInfoButton_)
            .text("macDeviceName", &KestruneViewState::macDeviceName_)
            .number("macDeviceType", &KestruneViewState::macDeviceType_)
            .number("macLidIsClosedAndThereIsNoExternalMonitor",
                    &KestruneViewState::macLidIsClosedAndThereIsNoExternalMonitor_)
            .number("distanceBetweenIPhoneAndMac", &KestruneViewState::distanceBetweenIPhoneAndMac_)
            .text("metricDistanceText", &KestruneViewState::metricDistanceText_)
            .number("minRSSIValue", &KestruneViewState::minRSSIValue_)
            .number("maxRSSIValue", &KestruneViewState::maxRSSIValue_)
            .text("language", &KestruneViewState::language_)
            .number("deviceIsLocked", &KestruneViewState::deviceIsLocked_)
            .number("todayExtensionAllowLoginLogout", &KestruneViewState::todayExtensionAllowLoginLogout_)
            .number("todayExtensionAllowKestruneUpdate",
                    &KestruneViewState::todayExtensionAllowKestruneUpdate_)
            .number("todayExtensionRequestAuthOnLockedDevice",
                    &KestruneViewState::todayExtensionRequestAuthOnLockedDevice_)
            .number("canReachClipboard", &KestruneViewState::canReachClipboard_));
    return schema;
}

bool KestruneViewState::isSameAsState(const std::shared_ptr<KestruneViewState>& other) const {
    if (!other || !sameTexts(deviceId_, other->deviceId_)) return false;
    if (!sameBooleans(kestruneTemporarilyDisabled_, other->kestruneTemporarilyDisabled_)) return false;
    if (!sameBooleans(hasTrackingDevice_, other->hasTrackingDevice_)) return false;
    if (!sameIntegers(connectionState_, other->connectionState_)) return false;
    if (!sameBooleans(userIsLoggedIn_, other->userIsLoggedIn_)) return false;
    if (!sameBooleans(shouldTrackMobileDevice_, other->shouldTrackMobileDevice_)) return false;
    if (!sameTexts(trackingDistanceText_, other->trackingDistanceText_)) return false;
    if (!sameBooleans(kestruneLoading_, other->kestruneLoading_)) return false;
    if (!sameBooleans(fastLockLoading_, other->fastLockLoading_)) return false;
    if (!sameBooleans(showInfoButton_, other->showInfoButton_)) return false;
    if (!sameTexts(macDeviceName_, other->macDeviceName_)) return false;
    if (!sameIntegers(macDeviceType_, other->macDeviceType_)) return false;
    if (!sameBooleans(macLidIsClosedAndThereIsNoExternalMonitor_,
                      other->macLidIsClosedAndThereIsNoExternalMonitor_))
        return false;
    if (!sameTexts(metricDistanceText_, other->metricDistanceText_)) return false;
    if (!sameIntegers(distanceBetweenIPhoneAndMac_, other->distanceBetweenIPhoneAndMac_)) return false;
    if (!sameIntegers(minRSSIValue_, other->minRSSIValue_)) return false;
    if (!sameIntegers(maxRSSIValue_, other->maxRSSIValue_)) return false;
    if (!sameTexts(language_, other->language_)) return false;
    if (!sameIntegers(deviceIsLocked_, other->deviceIsLocked_)) return false;
    if (!sameIntegers(todayExtensionAllowKestruneUpdate_, other->todayExtensionAllowKestruneUpdate_))
        return false;
    if (!sameIntegers(todayExtensionAllowLoginLogout_, other->todayExtensionAllowLoginLogout_)) return false;
    if (!sameIntegers(todayExtensionRequestAuthOnLockedDevice_,
                      other->todayExtensionRequestAuthOnLockedDevice_))
        return false;
    return sameIntegers(canReachClipboard_, other->canReachClipboard_);
}

}  // namespace kestrune
