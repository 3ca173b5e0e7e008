#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/bluetooth/BluetoothUUID.h"
#include "platform/sim/SimulatedPhone.h"
#include "platform/sim/radio/SimulatedPeripheral.h"

namespace platform {

// The scripted phone on the simulated radio: it advertises the companion application's local name
// and the service identifiers the Mac gave it, serves those services with the application's four
// characteristics, hands the Mac's writes to "DA17" and "DA16" to the phone and sends the phone's
// chunks as notifications of "DA18". A lost link resets the phone's side of the handshake.
class PhonePeripheral : public SimulatedPeripheral {
public:
    // The phone application's own copies of the identifiers it serves.
    static constexpr const char* kLocalName = "Kestrune";
    static constexpr const char* kWriteWithoutResponseCharacteristic = "DA16";
    static constexpr const char* kWriteCharacteristic = "DA17";
    static constexpr const char* kNotifyCharacteristic = "DA18";
    static constexpr const char* kFastNotifyCharacteristic = "DA19";

    static std::shared_ptr<PhonePeripheral> create(std::shared_ptr<SimulatedPhone> phone,
                                                   std::vector<BluetoothUUID> serviceUUIDs,
                                                   std::string identifier = "");

    const std::shared_ptr<SimulatedPhone>& phone() const { return phone_; }
    // The services the application serves and advertises (the Mac chooses them).
    void setServiceUUIDs(std::vector<BluetoothUUID> serviceUUIDs);

    void didDisconnect() override;
    void didReceiveWrite(const BluetoothUUID& characteristic, const Data& value, bool withResponse) override;

private:
    PhonePeripheral(std::shared_ptr<SimulatedPhone> phone, std::string identifier);

    const std::shared_ptr<SimulatedPhone> phone_;
};

}  // namespace platform
