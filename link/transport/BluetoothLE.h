#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "app/support/EventTimestamp.h"
#include "platform/bluetooth/CentralManager.h"

namespace kestrune {

// The process's observer of the Bluetooth LE state. Its own central manager, on the main queue, only
// follows the radio's state; it posts "bleChangedState" on every change and "bleOnAndReadyChangedState"
// when LE has been powered on for longer than the start-up time, or is no longer on.
class BluetoothLE : public platform::CentralManagerDelegate,
                    public std::enable_shared_from_this<BluetoothLE> {
public:
    static constexpr const char* kChangedStateNotification = "bleChangedState";
    static constexpr const char* kOnAndReadyChangedStateNotification = "bleOnAndReadyChangedState";

    // Made once, on first use.
    static BluetoothLE& shared();
    // Tests: the next shared() makes a new observer, as a new process would.
    static void resetSharedForTesting();

    int32_t bluetoothState() const;
    bool bluetoothLEIsOn() const;
    bool bluetoothLEIsPoweredOff() const;
    // An unknown state counts as supported.
    bool bluetoothLEIsSupported() const;
    bool isInitializingBLE() const;
    double BLEStartupTime() const;
    double secondsSinceBLETurnedOn() const;
    bool isSafeToUseBLE() const;
    bool bluetoothLEIsOnAndReady() const;

    // Main thread.
    void centralManagerDidUpdateState(platform::CentralManager& central) override;
    void didUpdateState();
    void updateBLEisOnAndReady();

    int32_t lastKnownState() const;
    const std::shared_ptr<platform::CentralManager>& central() const { return central_; }

private:
    BluetoothLE() = default;
    void start();

    std::shared_ptr<platform::CentralManager> central_;
    mutable std::mutex mutex_;
    int32_t lastKnownState_ = platform::CentralManager::kStateUnknown;
    bool bluetoothBLEstateisOn_ = false;
    bool bluetoothBLEstateisOnAndReady_ = false;
    EventTimestamp bluetoothTurnedOnTimestamp_;
};

}  // namespace kestrune
