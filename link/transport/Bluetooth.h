#pragma once

#include <cstdint>

#include "platform/base/RunLoop.h"

namespace kestrune {

// The Bluetooth controller's power: whether it is on, switching it with a completion that runs once the
// controller has reached the new state (checked every 0.4 s, 40 times at most), restarting it at most
// once in 8 seconds, and a cached answer to whether this Mac has Bluetooth LE. Switching runs on the
// main thread; the shared instance only runs the polling.
class Bluetooth {
public:
    static constexpr const char* kChangedNotification = "bluetooth_changed_notification";
    static constexpr double kPollInterval = 0.4;
    static constexpr int kMaximumPolls = 40;
    static constexpr int32_t kRestartSpacing = 8;
    static constexpr double kRestartOffTime = 0.5;

    static Bluetooth& shared();

    static bool bluetoothIsOn();
    static void turnBluetoothOnWithCompletion(platform::Closure completion);
    static void turnBluetoothOffWithCompletion(platform::Closure completion);
    static void turnBluetoothOn();
    static void turnBluetoothOff();
    static void restartBluetoothIfOnWithCompletion(platform::Closure completion);
    static void restartBluetoothIfOn();
    static bool isRestartingBluetooth();
    // Whole seconds since 1970; 0 before the first restart.
    static int32_t lastBluetoothRestartTimestamp();
    static bool bluetoothLESupported();
    static void performCheckAndCacheBluetoothLESupportedInBackground();

    // The polling, on the main run loop.
    void repeatUntilBluetoothOn();
    void repeatUntilBluetoothOff();
    void postNotification();

    // Tests: the process-wide state as at start.
    static void resetForTesting();

private:
    Bluetooth() = default;
    // One poll: true when another is due.
    bool pollFor(bool on);
};

}  // namespace kestrune
