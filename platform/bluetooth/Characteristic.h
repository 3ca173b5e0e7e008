#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/base/Data.h"
#include "platform/bluetooth/BluetoothUUID.h"

namespace platform {

class Service;

// One characteristic of a discovered service, as its central sees it: identifier, what it allows, the
// last value received and whether the central is subscribed to its notifications.
class Characteristic {
public:
    enum Properties : uint32_t {
        kPropertyRead = 0x02,
        kPropertyWriteWithoutResponse = 0x04,
        kPropertyWrite = 0x08,
        kPropertyNotify = 0x10,
        kPropertyIndicate = 0x20,
    };

    Characteristic(BluetoothUUID uuid, uint32_t properties, std::weak_ptr<Service> service);

    const BluetoothUUID& UUID() const { return uuid_; }
    uint32_t properties() const { return properties_; }
    std::shared_ptr<Service> service() const { return service_.lock(); }
    std::optional<Data> value() const;
    bool isNotifying() const { return notifying_.load(); }

    // Set by the Bluetooth backend.
    void setValue(std::optional<Data> value);
    void setNotifying(bool notifying) { notifying_.store(notifying); }

private:
    const BluetoothUUID uuid_;
    const uint32_t properties_;
    const std::weak_ptr<Service> service_;
    mutable std::mutex mutex_;
    std::optional<Data> value_;
    std::atomic<bool> notifying_{false};
};

}  // namespace platform
