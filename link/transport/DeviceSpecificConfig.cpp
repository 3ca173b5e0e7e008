#include "link/transport/DeviceSpecificConfig.h"

#include <atomic>
#include <string>

#include "app/support/Utilities.h"
#include "app/support/VersionVerifier.h"
#include "platform/base/Strings.h"
#include "platform/system/SystemVersion.h"

namespace kestrune {

namespace {

// The running system is older than the version, compared as numeric texts.
bool systemBelow(const char* version) {
    return VersionVerifier::version_isNewerThenVersion(version, Utilities::operatingSystemVersion());
}

// The process's text of the system version ("Version 10.9.5 (Build 13F34)") names the 10.9 system.
bool isTenNineSystem() {
    std::string text = "Version " + platform::SystemVersion::current() + " (Build " +
                       platform::SystemVersion::buildVersion() + ")";
    return platform::contains(text, "10.9");
}

// 0 while the version decides; 1 (no) or 2 (yes) when a test fixed the answer. Read on the Bluetooth
// queue for every advertisement, so plain atomics rather than a lock.
std::atomic<int> gOverrides[DeviceSpecificConfig::kSwitchCount];

std::optional<bool> overridden(DeviceSpecificConfig::Switch which) {
    int value = gOverrides[which].load(std::memory_order_relaxed);
    if (value == 0) return std::nullopt;
    return value == 2;
}

}  // namespace

void DeviceSpecificConfig::overrideSwitchForTesting(Switch which, std::optional<bool> value) {
    if (which < 0 || which >= kSwitchCount) return;
    gOverrides[which].store(value ? (*value ? 2 : 1) : 0);
}

void DeviceSpecificConfig::removeOverridesForTesting() {
    for (auto& value : gOverrides) value.store(0);
}

bool DeviceSpecificConfig::shouldScanForAllServicesForScanRation(double ratio) {
    if (!systemBelow("10.12.6")) return false;
    std::string version = Utilities::operatingSystemVersion();
    if (platform::contains(version, "10.12")) return ratio > 2.5;
    return platform::contains(version, "10.11") || platform::contains(version, "10.10");
}

bool DeviceSpecificConfig::hasScreenOverlay() {
    return systemBelow("10.13");
}

double DeviceSpecificConfig::BLEIntializationTime() {
    return 0.5;
}

bool DeviceSpecificConfig::shouldImmedatellyNotifiyDelegateOfDisconnect() {
    if (auto fixed = overridden(kShouldImmedatellyNotifiyDelegateOfDisconnect)) return *fixed;
    return isTenNineSystem() || !systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldCancelNotificationsWhileDisconnected() {
    if (auto fixed = overridden(kShouldCancelNotificationsWhileDisconnected)) return *fixed;
    return !systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldIgnoreConnectionsWithEmptyAdvertisingServices() {
    if (auto fixed = overridden(kShouldIgnoreConnectionsWithEmptyAdvertisingServices)) return *fixed;
    return isTenNineSystem();
}

bool DeviceSpecificConfig::shouldIgnoreConnectionsWithWrongManifacturerDefined() {
    if (auto fixed = overridden(kShouldIgnoreConnectionsWithWrongManifacturerDefined)) return *fixed;
    return systemBelow("10.12");
}

bool DeviceSpecificConfig::callUpdateRSSITwiceForFasterResponse() {
    if (auto fixed = overridden(kCallUpdateRSSITwiceForFasterResponse)) return *fixed;
    return !systemBelow("10.10");
}

int64_t DeviceSpecificConfig::maxClipboardCharLength() {
    return 10000;
}

bool DeviceSpecificConfig::lockOnScreenShownSystemNotificationsWork() {
    return true;
}

bool DeviceSpecificConfig::shouldAlwaysUseLongestDisconnectTimerWhenStuck() {
    if (auto fixed = overridden(kShouldAlwaysUseLongestDisconnectTimerWhenStuck)) return *fixed;
    return systemBelow("10.10");
}

bool DeviceSpecificConfig::shouldMarkUpdateNotificationStateErrorAsUnsolvable() {
    if (auto fixed = overridden(kShouldMarkUpdateNotificationStateErrorAsUnsolvable)) return *fixed;
    return isTenNineSystem();
}

bool DeviceSpecificConfig::shouldIgnoreConnectionIfNotConnectebleInAdvertisingData() {
    if (auto fixed = overridden(kShouldIgnoreConnectionIfNotConnectebleInAdvertisingData)) return *fixed;
    return !systemBelow("10.10");
}

bool DeviceSpecificConfig::shouldIgnoreUnconnectablePeripherals() {
    if (auto fixed = overridden(kShouldIgnoreUnconnectablePeripherals)) return *fixed;
    return systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldForceTerminateOnUnsubscriptions() {
    if (auto fixed = overridden(kShouldForceTerminateOnUnsubscriptions)) return *fixed;
    return systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldKeepSubscriptionsOnDisconnect() {
    if (auto fixed = overridden(kShouldKeepSubscriptionsOnDisconnect)) return *fixed;
    return !systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldRetreiveConnectedPeripheralsOnScan() {
    if (auto fixed = overridden(kShouldRetreiveConnectedPeripheralsOnScan)) return *fixed;
    return false;
}

bool DeviceSpecificConfig::needsAccessibilityToUnlockMac() {
    return !systemBelow("10.14");
}

bool DeviceSpecificConfig::shouldForceTerminateOnUnknownError() {
    if (auto fixed = overridden(kShouldForceTerminateOnUnknownError)) return *fixed;
    return systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldTryToConnectToLastKnownConnection() {
    if (auto fixed = overridden(kShouldTryToConnectToLastKnownConnection)) return *fixed;
    return systemBelow("10.13");
}

double DeviceSpecificConfig::scanIntervalNormal() {
    return isTenNineSystem() ? 6.5 : 15.0;
}

double DeviceSpecificConfig::scanIntervalIntense() {
    return isTenNineSystem() ? 6.5 : 10.0;
}

double DeviceSpecificConfig::scanIntervalVeryIntense() {
    return 1.1;
}

}  // namespace kestrune
