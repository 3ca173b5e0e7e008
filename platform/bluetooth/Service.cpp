#include "platform/bluetooth/Service.h"

namespace platform {

Service::Service(BluetoothUUID uuid, bool primary, std::weak_ptr<Peripheral> peripheral)
    : uuid_(std::move(uuid)), primary_(primary), peripheral_(std::move(peripheral)) {}

std::vector<std::shared_ptr<Characteristic>> Service::characteristics() const {
    std::lock_guard lock(mutex_);
    return characteristics_;
}

std::shared_ptr<Characteristic> Service::characteristicWithUUID(const BluetoothUUID& uuid) const {
    std::lock_guard lock(mutex_);
    for (const auto& characteristic : characteristics_)
        if (characteristic->UUID() == uuid) return characteristic;
    return nullptr;
}

void Service::setCharacteristics(std::vector<std::shared_ptr<Characteristic>> characteristics) {
    std::lock_guard lock(mutex_);
    characteristics_ = std::move(characteristics);
}

}  // namespace platform
