#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/bluetooth/BluetoothUUID.h"
#include "platform/bluetooth/Characteristic.h"

namespace platform {

class Peripheral;

// One discovered service of a peripheral, with the characteristics discovered in it so far.
class Service {
public:
    Service(BluetoothUUID uuid, bool primary, std::weak_ptr<Peripheral> peripheral);

    const BluetoothUUID& UUID() const { return uuid_; }
    bool isPrimary() const { return primary_; }
    std::shared_ptr<Peripheral> peripheral() const { return peripheral_.lock(); }
    std::vector<std::shared_ptr<Characteristic>> characteristics() const;
    std::shared_ptr<Characteristic> characteristicWithUUID(const BluetoothUUID& uuid) const;

    // Set by the Bluetooth backend.
    void setCharacteristics(std::vector<std::shared_ptr<Characteristic>> characteristics);

private:
    const BluetoothUUID uuid_;
    const bool primary_;
    const std::weak_ptr<Peripheral> peripheral_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Characteristic>> characteristics_;
};

}  // namespace platform
