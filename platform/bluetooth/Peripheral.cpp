#include "platform/bluetooth/Peripheral.h"

#include "platform/bluetooth/CentralManager.h"

namespace platform {

Peripheral::Peripheral(std::string identifier, std::weak_ptr<CentralManager> central)
    : identifier_(std::move(identifier)), central_(std::move(central)) {}

std::optional<std::string> Peripheral::name() const {
    std::lock_guard lock(mutex_);
    return name_;
}

void Peripheral::setName(std::optional<std::string> name) {
    std::lock_guard lock(mutex_);
    name_ = std::move(name);
}

std::optional<Number> Peripheral::RSSI() const {
    std::lock_guard lock(mutex_);
    return rssi_;
}

void Peripheral::setRSSI(std::optional<Number> rssi) {
    std::lock_guard lock(mutex_);
    rssi_ = rssi;
}

std::vector<std::shared_ptr<Service>> Peripheral::services() const {
    std::lock_guard lock(mutex_);
    return services_;
}

void Peripheral::setServices(std::vector<std::shared_ptr<Service>> services) {
    std::lock_guard lock(mutex_);
    services_ = std::move(services);
}

std::shared_ptr<Service> Peripheral::serviceWithUUID(const BluetoothUUID& uuid) const {
    std::lock_guard lock(mutex_);
    for (const auto& service : services_)
        if (service->UUID() == uuid) return service;
    return nullptr;
}

std::shared_ptr<PeripheralDelegate> Peripheral::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

void Peripheral::setDelegate(std::weak_ptr<PeripheralDelegate> delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

void Peripheral::discoverServices(const std::optional<std::vector<BluetoothUUID>>& serviceUUIDs) {
    if (auto manager = central()) manager->backend()->discoverServices(*this, serviceUUIDs);
}

void Peripheral::discoverCharacteristics_forService(
    const std::optional<std::vector<BluetoothUUID>>& characteristicUUIDs,
    const std::shared_ptr<Service>& service) {
    if (!service) return;
    if (auto manager = central())
        manager->backend()->discoverCharacteristics(*this, service, characteristicUUIDs);
}

void Peripheral::setNotifyValue_forCharacteristic(bool enabled,
                                                  const std::shared_ptr<Characteristic>& characteristic) {
    if (!characteristic) return;
    if (auto manager = central()) manager->backend()->setNotifyValue(*this, characteristic, enabled);
}

void Peripheral::writeValue_forCharacteristic_type(const Data& value,
                                                   const std::shared_ptr<Characteristic>& characteristic,
                                                   WriteType type) {
    if (!characteristic) return;
    if (auto manager = central())
        manager->backend()->writeValue(*this, characteristic, value, type == kWriteWithResponse);
}

void Peripheral::readRSSI() {
    if (auto manager = central()) manager->backend()->readRSSI(*this);
}

void Peripheral::deliver(std::function<void(PeripheralDelegate&, Peripheral&)> call) {
    auto manager = central();
    if (!manager) return;
    auto self = shared_from_this();
    manager->performOnQueue([self, call = std::move(call)] {
        if (auto delegate = self->delegate()) call(*delegate, *self);
    });
}

}  // namespace platform
