#pragma once

#include <cstdint>
#include <optional>

namespace kestrune {

// The switches and constants by which the phone link (and a few other parts) behave differently on
// different system versions. No state: every answer is read from the running system's version.
class DeviceSpecificConfig {
public:
    // The yes-or-no switches, for tests that need a path the running version never takes.
    enum Switch : int {
        kShouldImmedatellyNotifiyDelegateOfDisconnect,
        kShouldCancelNotificationsWhileDisconnected,
        kShouldIgnoreConnectionsWithEmptyAdvertisingServices,
        kShouldIgnoreConnectionsWithWrongManifacturerDefined,
        kCallUpdateRSSITwiceForFasterResponse,
        kShouldAlwaysUseLongestDisconnectTimerWhenStuck,
        kShouldMarkUpdateNotificationStateErrorAsUnsolvable,
        kShouldIgnoreConnectionIfNotConnectebleInAdvertisingData,
        kShouldIgnoreUnconnectablePeripherals,
        kShouldForceTerminateOnUnsubscriptions,
        kShouldKeepSubscriptionsOnDisconnect,
        kShouldRetreiveConnectedPeripheralsOnScan,
        kShouldForceTerminateOnUnknownError,
        kShouldTryToConnectToLastKnownConnection,
        kSwitchCount
    };

    static bool shouldScanForAllServicesForScanRation(double ratio);
    static bool hasScreenOverlay();
    // Seconds Bluetooth LE must have been on before it counts as settled.
    static double BLEIntializationTime();
    static bool shouldImmedatellyNotifiyDelegateOfDisconnect();
    static bool shouldCancelNotificationsWhileDisconnected();
    static bool shouldIgnoreConnectionsWithEmptyAdvertisingServices();
    static bool shouldIgnoreConnectionsWithWrongManifacturerDefined();
    static bool callUpdateRSSITwiceForFasterResponse();
    // Characters.
    static int64_t maxClipboardCharLength();
    static bool lockOnScreenShownSystemNotificationsWork();
    static bool shouldAlwaysUseLongestDisconnectTimerWhenStuck();
    static bool shouldMarkUpdateNotificationStateErrorAsUnsolvable();
    static bool shouldIgnoreConnectionIfNotConnectebleInAdvertisingData();
    static bool shouldIgnoreUnconnectablePeripherals();
    static bool shouldForceTerminateOnUnsubscriptions();
    static bool shouldKeepSubscriptionsOnDisconnect();
    static bool shouldRetreiveConnectedPeripheralsOnScan();
    static bool needsAccessibilityToUnlockMac();
    static bool shouldForceTerminateOnUnknownError();
    static bool shouldTryToConnectToLastKnownConnection();
    // Seconds.
    static double scanIntervalNormal();
    static double scanIntervalIntense();
    static double scanIntervalVeryIntense();

    // Tests only: the switch answers the value whatever the version (none: the version decides again).
    static void overrideSwitchForTesting(Switch which, std::optional<bool> value);
    static void removeOverridesForTesting();
};

}  // namespace kestrune
