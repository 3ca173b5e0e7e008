#include "link/DeviceSpecificConfig.h"

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

}  // namespace

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
    return isTenNineSystem() || !systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldCancelNotificationsWhileDisconnected() {
    return !systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldIgnoreConnectionsWithEmptyAdvertisingServices() {
    return isTenNineSystem();
}

bool DeviceSpecificConfig::shouldIgnoreConnectionsWithWrongManifacturerDefined() {
    return systemBelow("10.12");
}

bool DeviceSpecificConfig::callUpdateRSSITwiceForFasterResponse() {
    return !systemBelow("10.10");
}

int64_t DeviceSpecificConfig::maxClipboardCharLength() {
    return 10000;
}

bool DeviceSpecificConfig::lockOnScreenShownSystemNotificationsWork() {
    return true;
}

bool DeviceSpecificConfig::shouldAlwaysUseLongestDisconnectTimerWhenStuck() {
    return systemBelow("10.10");
}

bool DeviceSpecificConfig::shouldMarkUpdateNotificationStateErrorAsUnsolvable() {
    return isTenNineSystem();
}

bool DeviceSpecificConfig::shouldIgnoreConnectionIfNotConnectebleInAdvertisingData() {
    return !systemBelow("10.10");
}

bool DeviceSpecificConfig::shouldIgnoreUnconnectablePeripherals() {
    return systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldForceTerminateOnUnsubscriptions() {
    return systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldKeepSubscriptionsOnDisconnect() {
    return !systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldRetreiveConnectedPeripheralsOnScan() {
    return false;
}

bool DeviceSpecificConfig::needsAccessibilityToUnlockMac() {
    return !systemBelow("10.14");
}

bool DeviceSpecificConfig::shouldForceTerminateOnUnknownError() {
    return systemBelow("10.13");
}

bool DeviceSpecificConfig::shouldTryToConnectToLastKnownConnection() {
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
