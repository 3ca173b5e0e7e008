#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Data.h"
#include "platform/base/Number.h"
#include "platform/bluetooth/BluetoothUUID.h"
#include "platform/bluetooth/Characteristic.h"
#include "platform/bluetooth/PeripheralDelegate.h"
#include "platform/bluetooth/Service.h"

namespace platform {

class CentralManager;

// A remote Bluetooth LE device as one central manager sees it. The same device found again by the same
// manager is the same object. Requests may come from any thread; every answer reaches the delegate on
// the manager's queue. Requests on a peripheral that is not connected are dropped.
class Peripheral : public std::enable_shared_from_this<Peripheral> {
public:
    enum State : int32_t { kDisconnected = 0, kConnecting = 1, kConnected = 2, kDisconnecting = 3 };
    enum WriteType : int32_t { kWriteWithResponse = 0, kWriteWithoutResponse = 1 };

    // Made by backends.
    Peripheral(std::string identifier, std::weak_ptr<CentralManager> central);

    // The identifier as an upper-case UUID text; stable for the device.
    const std::string& identifier() const { return identifier_; }
    std::optional<std::string> name() const;
    State state() const { return state_.load(); }
    // The last signal strength read.
    std::optional<Number> RSSI() const;
    std::vector<std::shared_ptr<Service>> services() const;
    std::shared_ptr<PeripheralDelegate> delegate() const;
    void setDelegate(std::weak_ptr<PeripheralDelegate> delegate);
    std::shared_ptr<CentralManager> central() const { return central_.lock(); }

    // All services when none are given.
    void discoverServices(const std::optional<std::vector<BluetoothUUID>>& serviceUUIDs);
    void discoverCharacteristics_forService(
        const std::optional<std::vector<BluetoothUUID>>& characteristicUUIDs,
        const std::shared_ptr<Service>& service);
    void setNotifyValue_forCharacteristic(bool enabled,
                                          const std::shared_ptr<Characteristic>& characteristic);
    void writeValue_forCharacteristic_type(const Data& value,
                                           const std::shared_ptr<Characteristic>& characteristic,
                                           WriteType type);
    void readRSSI();

    // For backends --------------------------------------------------------------------------------------
    void setState(State state) { state_.store(state); }
    void setName(std::optional<std::string> name);
    void setRSSI(std::optional<Number> rssi);
    void setServices(std::vector<std::shared_ptr<Service>> services);
    std::shared_ptr<Service> serviceWithUUID(const BluetoothUUID& uuid) const;
    // Runs the call on the manager's queue with the peripheral's delegate, if it still has one.
    void deliver(std::function<void(PeripheralDelegate&, Peripheral&)> call);

    Peripheral(const Peripheral&) = delete;
    Peripheral& operator=(const Peripheral&) = delete;

private:
    const std::string identifier_;
    const std::weak_ptr<CentralManager> central_;
    std::atomic<State> state_{kDisconnected};
    mutable std::mutex mutex_;
    std::optional<std::string> name_;
    std::optional<Number> rssi_;
    std::vector<std::shared_ptr<Service>> services_;
    std::weak_ptr<PeripheralDelegate> delegate_;
};

}  // namespace platform
