#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"
#include "platform/base/Number.h"

namespace kestrune {

// The Mac's proximity-lock status as a phone screen or widget shows it (payload type of request 36).
// The Mac builds none and sends none; a request 36 from the phone decodes into one. Booleans are
// numbers holding 1 or 0; every field may be absent.
class KestruneViewState : public KeyedPayloadRecord<KestruneViewState> {
public:
    static constexpr const char* kClassName = "KestruneViewState";

    static std::shared_ptr<KestruneViewState> init() { return std::make_shared<KestruneViewState>(); }

    // Whether the two snapshots show the same thing: booleans by truth and integers by integer value
    // (absent counts as false or 0), texts only when both are present and equal. The tracking
    // distance and the metric are not compared (their texts are).
    bool isSameAsState(const std::shared_ptr<KestruneViewState>& other) const;

    // Identifier of the device the snapshot is about.
    const std::optional<std::string>& deviceId() const { return deviceId_; }
    void setDeviceId(std::optional<std::string> value) { deviceId_ = std::move(value); }
    // Boolean: a phone is tracked.
    const std::optional<platform::Number>& hasTrackingDevice() const { return hasTrackingDevice_; }
    void setHasTrackingDevice(std::optional<platform::Number> value) {
        hasTrackingDevice_ = std::move(value);
    }
    const std::optional<platform::Number>& connectionState() const { return connectionState_; }
    void setConnectionState(std::optional<platform::Number> value) { connectionState_ = std::move(value); }
    // Boolean: the Mac user is logged in.
    const std::optional<platform::Number>& userIsLoggedIn() const { return userIsLoggedIn_; }
    void setUserIsLoggedIn(std::optional<platform::Number> value) { userIsLoggedIn_ = std::move(value); }
    // Boolean: proximity tracking is on.
    const std::optional<platform::Number>& shouldTrackMobileDevice() const {
        return shouldTrackMobileDevice_;
    }
    void setShouldTrackMobileDevice(std::optional<platform::Number> value) {
        shouldTrackMobileDevice_ = std::move(value);
    }
    // Boolean: proximity lock is temporarily off.
    const std::optional<platform::Number>& kestruneTemporarilyDisabled() const {
        return kestruneTemporarilyDisabled_;
    }
    void setKestruneTemporarilyDisabled(std::optional<platform::Number> value) {
        kestruneTemporarilyDisabled_ = std::move(value);
    }
    // The chosen tracking distance, and as text.
    const std::optional<platform::Number>& trackingDistance() const { return trackingDistance_; }
    void setTrackingDistance(std::optional<platform::Number> value) { trackingDistance_ = std::move(value); }
    const std::optional<std::string>& trackingDistanceText() const { return trackingDistanceText_; }
    void setTrackingDistanceText(std::optional<std::string> value) {
        trackingDistanceText_ = std::move(value);
    }
    // Booleans: a proximity-lock change, a fast lock is in progress.
    const std::optional<platform::Number>& kestruneLoading() const { return kestruneLoading_; }
    void setKestruneLoading(std::optional<platform::Number> value) { kestruneLoading_ = std::move(value); }
    const std::optional<platform::Number>& fastLockLoading() const { return fastLockLoading_; }
    void setFastLockLoading(std::optional<platform::Number> value) { fastLockLoading_ = std::move(value); }
    // The unit system for distances.
    const std::optional<platform::Number>& metric() const { return metric_; }
    void setMetric(std::optional<platform::Number> value) { metric_ = std::move(value); }
    const std::optional<platform::Number>& showInfoButton() const { return showInfoButton_; }
    void setShowInfoButton(std::optional<platform::Number> value) { showInfoButton_ = std::move(value); }
    const std::optional<std::string>& macDeviceName() const { return macDeviceName_; }
    void setMacDeviceName(std::optional<std::string> value) { macDeviceName_ = std::move(value); }
    const std::optional<platform::Number>& macDeviceType() const { return macDeviceType_; }
    void setMacDeviceType(std::optional<platform::Number> value) { macDeviceType_ = std::move(value); }
    const std::optional<platform::Number>& macLidIsClosedAndThereIsNoExternalMonitor() const {
        return macLidIsClosedAndThereIsNoExternalMonitor_;
    }
    void setMacLidIsClosedAndThereIsNoExternalMonitor(std::optional<platform::Number> value) {
        macLidIsClosedAndThereIsNoExternalMonitor_ = std::move(value);
    }
    // The current distance, and as text.
    const std::optional<platform::Number>& distanceBetweenIPhoneAndMac() const {
        return distanceBetweenIPhoneAndMac_;
    }
    void setDistanceBetweenIPhoneAndMac(std::optional<platform::Number> value) {
        distanceBetweenIPhoneAndMac_ = std::move(value);
    }
    const std::optional<std::string>& metricDistanceText() const { return metricDistanceText_; }
    void setMetricDistanceText(std::optional<std::string> value) { metricDistanceText_ = std::move(value); }
    // Bounds of the distance scale.
    const std::optional<platform::Number>& minRSSIValue() const { return minRSSIValue_; }
    void setMinRSSIValue(std::optional<platform::Number> value) { minRSSIValue_ = std::move(value); }
    const std::optional<platform::Number>& maxRSSIValue() const { return maxRSSIValue_; }
    void setMaxRSSIValue(std::optional<platform::Number> value) { maxRSSIValue_ = std::move(value); }
    // The interface language.
    const std::optional<std::string>& language() const { return language_; }
    void setLanguage(std::optional<std::string> value) { language_ = std::move(value); }
    const std::optional<platform::Number>& deviceIsLocked() const { return deviceIsLocked_; }
    void setDeviceIsLocked(std::optional<platform::Number> value) { deviceIsLocked_ = std::move(value); }
    // Switches of the phone's widget.
    const std::optional<platform::Number>& todayExtensionAllowLoginLogout() const {
        return todayExtensionAllowLoginLogout_;
    }
    void setTodayExtensionAllowLoginLogout(std::optional<platform::Number> value) {
        todayExtensionAllowLoginLogout_ = std::move(value);
    }
    const std::optional<platform::Number>& todayExtensionAllowKestruneUpdate() const {
        return todayExtensionAllowKestruneUpdate_;
    }
    void setTodayExtensionAllowKestruneUpdate(std::optional<platform::Number> value) {
        todayExtensionAllowKestruneUpdate_ = std::move(value);
    }
    const std::optional<platform::Number>& todayExtensionRequestAuthOnLockedDevice() const {
        return todayExtensionRequestAuthOnLockedDevice_;
    }
    void setTodayExtensionRequestAuthOnLockedDevice(std::optional<platform::Number> value) {
        todayExtensionRequestAuthOnLockedDevice_ = std::move(value);
    }
    const std::optional<platform::Number>& canReachClipboard() const { return canReachClipboard_; }
    void setCanReachClipboard(std::optional<platform::Number> value) {
        canReachClipboard_ = std::move(value);
    }

private:
    friend class KeyedPayloadRecord<KestruneViewState>;
    static const RecordSchema<KestruneViewState>& schema();

    std::optional<std::string> deviceId_;
    std::optional<platform::Number> hasTrackingDevice_;
    std::optional<platform::Number> connectionState_;
    std::optional<platform::Number> userIsLoggedIn_;
    std::optional<platform::Number> shouldTrackMobileDevice_;
    std::optional<platform::Number> kestruneTemporarilyDisabled_;
    std::optional<platform::Number> trackingDistance_;
    std::optional<std::string> trackingDistanceText_;
    std::optional<platform::Number> kestruneLoading_;
    std::optional<platform::Number> fastLockLoading_;
    std::optional<platform::Number> metric_;
    std::optional<platform::Number> showInfoButton_;
    std::optional<std::string> macDeviceName_;
    std::optional<platform::Number> macDeviceType_;
    std::optional<platform::Number> macLidIsClosedAndThereIsNoExternalMonitor_;
    std::optional<platform::Number> distanceBetweenIPhoneAndMac_;
    std::optional<std::string> metricDistanceText_;
    std::optional<platform::Number> minRSSIValue_;
    std::optional<platform::Number> maxRSSIValue_;
    std::optional<std::string> language_;
    std::optional<platform::Number> deviceIsLocked_;
    std::optional<platform::Number> todayExtensionAllowLoginLogout_;
    std::optional<platform::Number> todayExtensionAllowKestruneUpdate_;
    std::optional<platform::Number> todayExtensionRequestAuthOnLockedDevice_;
    std::optional<platform::Number> canReachClipboard_;
};

}  // namespace kestrune
