#include "link/transport/BluetoothLE.h"

#include "link/transport/Bluetooth.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {

// The observer lives as long as the process.
platform::SharedInstance<BluetoothLE> gSharedBluetoothLE;

}  // namespace

BluetoothLE& BluetoothLE::shared() {
    // Started before anyone else sees it, so no caller finds it without its manager; making the manager
    // calls nothing back.
    return gSharedBluetoothLE.get([] { return new BluetoothLE(); },
                                  [](BluetoothLE& observer) { observer.start(); });
}

void BluetoothLE::resetSharedForTesting() {
    gSharedBluetoothLE.resetForTesting();
}

void BluetoothLE::start() {
    // The main queue delivers the state changes, so they arrive on the main thread.
    central_ = platform::CentralManager::create(weak_from_this(), nullptr);
    std::lock_guard lock(mutex_);
    lastKnownState_ = central_->state();
    bluetoothBLEstateisOn_ = lastKnownState_ == platform::CentralManager::kStatePoweredOn;
    bluetoothBLEstateisOnAndReady_ = bluetoothBLEstateisOn_;
}

int32_t BluetoothLE::bluetoothState() const {
    return central_ ? central_->state() : platform::CentralManager::kStateUnknown;
}

bool BluetoothLE::bluetoothLEIsOn() const {
    return bluetoothState() == platform::CentralManager::kStatePoweredOn;
}

bool BluetoothLE::bluetoothLEIsPoweredOff() const {
    return bluetoothState() == platform::CentralManager::kStatePoweredOff;
}

bool BluetoothLE::bluetoothLEIsSupported() const {
    return bluetoothState() != platform::CentralManager::kStateUnsupported;
}

bool BluetoothLE::isInitializingBLE() const {
    return Bluetooth::bluetoothIsOn() && !bluetoothLEIsOn();
}

double BluetoothLE::BLEStartupTime() const {
    return DeviceSpecificConfig::BLEIntializationTime();
}

double BluetoothLE::secondsSinceBLETurnedOn() const {
    std::lock_guard lock(mutex_);
    return bluetoothTurnedOnTimestamp_.secondsElapsedFromLastEvent();
}

bool BluetoothLE::isSafeToUseBLE() const {
    if (!bluetoothLEIsOn()) return false;
    std::lock_guard lock(mutex_);
    return bluetoothTurnedOnTimestamp_.moreSecondsElapsedSinceLastTrigger(BLEStartupTime());
}

bool BluetoothLE::bluetoothLEIsOnAndReady() const {
    std::lock_guard lock(mutex_);
    return bluetoothBLEstateisOnAndReady_;
}

int32_t BluetoothLE::lastKnownState() const {
    std::lock_guard lock(mutex_);
    return lastKnownState_;
}

void BluetoothLE::centralManagerDidUpdateState(platform::CentralManager&) {
    bool isOn = bluetoothLEIsOn();
    bool onChanged, stateChanged;
    {
        std::lock_guard lock(mutex_);
        onChanged = isOn != bluetoothBLEstateisOn_;
        stateChanged = bluetoothState() != lastKnownState_;
        if (onChanged) {
            bluetoothBLEstateisOn_ = isOn;
            if (isOn) bluetoothTurnedOnTimestamp_.eventTriggered();
        }
    }
    if (onChanged) {
        if (isOn) {
            std::weak_ptr<BluetoothLE> weak = weak_from_this();
            platform::RunLoop::main().performAfterDelay(BLEStartupTime() + 0.01, [weak] {
                if (auto self = weak.lock()) self->updateBLEisOnAndReady();
            });
            platform::logf("BLE turned on!");
        }
        // Going off leaves the on-and-ready flag as it was, unannounced, until a later change of state:
        // the connection controller disconnects its phones on "bleChangedState" and would do so twice
        // if the flag's change were announced too. Readers that must not act while off check the state.
        didUpdateState();
    } else if (stateChanged) {
        updateBLEisOnAndReady();
        didUpdateState();
    }
}

void BluetoothLE::didUpdateState() {
    {
        std::lock_guard lock(mutex_);
        lastKnownState_ = bluetoothState();
    }
    platform::NotificationCenter::defaultCenter().post(kChangedStateNotification, this);
}

void BluetoothLE::updateBLEisOnAndReady() {
    bool safe = isSafeToUseBLE();
    {
        std::lock_guard lock(mutex_);
        if (safe == bluetoothBLEstateisOnAndReady_) return;
        bluetoothBLEstateisOnAndReady_ = safe;
    }
    platform::NotificationCenter::defaultCenter().post(kOnAndReadyChangedStateNotification, this);
}

}  // namespace kestrune
