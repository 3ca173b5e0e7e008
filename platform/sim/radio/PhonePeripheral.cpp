#include "platform/sim/radio/PhonePeripheral.h"

#include "platform/bluetooth/AdvertisementData.h"
#include "platform/bluetooth/Characteristic.h"

namespace platform {

std::shared_ptr<PhonePeripheral> PhonePeripheral::create(std::shared_ptr<SimulatedPhone> phone,
                                                         std::vector<BluetoothUUID> serviceUUIDs,
                                                         std::string identifier) {
    auto peripheral =
        std::shared_ptr<PhonePeripheral>(new PhonePeripheral(std::move(phone), std::move(identifier)));
    peripheral->setName("iPhone");
    peripheral->setServiceUUIDs(std::move(serviceUUIDs));
    std::weak_ptr<PhonePeripheral> weak = peripheral;
    const BluetoothUUID notify = BluetoothUUID::constant(kNotifyCharacteristic);
    peripheral->phone_->setNotificationSink([weak, notify](const Data& chunk) {
        if (auto self = weak.lock()) self->notifyValue(notify, chunk);
    });
    return peripheral;
}

PhonePeripheral::PhonePeripheral(std::shared_ptr<SimulatedPhone> phone, std::string identifier)
    : SimulatedPeripheral(std::move(identifier)), phone_(std::move(phone)) {}

void PhonePeripheral::setServiceUUIDs(std::vector<BluetoothUUID> serviceUUIDs) {
    std::vector<ServiceDescription> services;
    Value::Array advertised;
    for (const auto& uuid : serviceUUIDs) {
        services.push_back(ServiceDescription{
            uuid,
            {
                {BluetoothUUID::constant(kNotifyCharacteristic), Characteristic::kPropertyNotify},
                {BluetoothUUID::constant(kFastNotifyCharacteristic), Characteristic::kPropertyNotify},
                {BluetoothUUID::constant(kWriteCharacteristic), Characteristic::kPropertyWrite},
                {BluetoothUUID::constant(kWriteWithoutResponseCharacteristic),
                 Characteristic::kPropertyWriteWithoutResponse},
            }});
        advertised.push_back(Value(uuid.data()));
    }
    setServices(std::move(services));
    setAdvertisementData({
        {AdvertisementData::kLocalName, Value(kLocalName)},
        {AdvertisementData::kServiceUUIDs, Value(std::move(advertised))},
        {AdvertisementData::kIsConnectable, Value(1)},
    });
}

void PhonePeripheral::didDisconnect() {
    phone_->didDisconnect();
}

void PhonePeripheral::didReceiveWrite(const BluetoothUUID& characteristic, const Data& value,
                                      bool withResponse) {
    SimulatedPeripheral::didReceiveWrite(characteristic, value, withResponse);
    phone_->didReceiveWrite(characteristic.UUIDString(), value);
}

}  // namespace platform
