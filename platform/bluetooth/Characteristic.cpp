#include "platform/bluetooth/Characteristic.h"

namespace platform {

Characteristic::Characteristic(BluetoothUUID uuid, uint32_t properties, std::weak_ptr<Service> service)
    : uuid_(std::move(uuid)), properties_(properties), service_(std::move(service)) {}

std::optional<Data> Characteristic::value() const {
    std::lock_guard lock(mutex_);
    return value_;
}

void Characteristic::setValue(std::optional<Data> value) {
    std::lock_guard lock(mutex_);
    value_ = std::move(value);
}

}  // namespace platform
