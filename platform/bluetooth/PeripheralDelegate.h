#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Number.h"

namespace platform {

class Characteristic;
class Peripheral;
class Service;

// What a peripheral tells its delegate about the operations asked of it, on its central manager's
// queue. Every call may be left unimplemented.
class PeripheralDelegate {
public:
    virtual ~PeripheralDelegate() = default;

    virtual void peripheral_didDiscoverServices(Peripheral& peripheral, const std::optional<Error>& error) {
        (void)peripheral, (void)error;
    }
    virtual void peripheral_didDiscoverCharacteristicsForService_error(
        Peripheral& peripheral, const std::shared_ptr<Service>& service, const std::optional<Error>& error) {
        (void)peripheral, (void)service, (void)error;
    }
    virtual void peripheral_didUpdateNotificationStateForCharacteristic_error(
        Peripheral& peripheral, const std::shared_ptr<Characteristic>& characteristic,
        const std::optional<Error>& error) {
        (void)peripheral, (void)characteristic, (void)error;
    }
    // A notified value (the characteristic's value holds it during the call) or a failed read.
    virtual void peripheral_didUpdateValueForCharacteristic_error(
        Peripheral& peripheral, const std::shared_ptr<Characteristic>& characteristic,
        const std::optional<Error>& error) {
        (void)peripheral, (void)characteristic, (void)error;
    }
    // The acknowledgement of a write with response.
    virtual void peripheral_didWriteValueForCharacteristic_error(
        Peripheral& peripheral, const std::shared_ptr<Characteristic>& characteristic,
        const std::optional<Error>& error) {
        (void)peripheral, (void)characteristic, (void)error;
    }
    // The answer to readRSSI on systems from 10.13 on.
    virtual void peripheral_didReadRSSI_error(Peripheral& peripheral, const Number& RSSI,
                                              const std::optional<Error>& error) {
        (void)peripheral, (void)RSSI, (void)error;
    }
    // The answer to readRSSI on older systems: the reading is in the peripheral's RSSI.
    virtual void peripheralDidUpdateRSSI_error(Peripheral& peripheral, const std::optional<Error>& error) {
        (void)peripheral, (void)error;
    }
    // The peer changed its services; the invalidated ones are gone from the peripheral's list.
    virtual void peripheral_didModifyServices(
        Peripheral& peripheral, const std::vector<std::shared_ptr<Service>>& invalidatedServices) {
        (void)peripheral, (void)invalidatedServices;
    }
};

}  // namespace platform
