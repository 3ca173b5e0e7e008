#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Number.h"
#include "platform/base/Value.h"

namespace platform {

class CentralManager;
class Peripheral;

// What a central manager tells its owner, on the queue the manager was created with. Every call but
// the state change may be left unimplemented.
class CentralManagerDelegate {
public:
    virtual ~CentralManagerDelegate() = default;

    // The manager's state changed (also once after creation, from unknown to the radio's state).
    virtual void centralManagerDidUpdateState(CentralManager& central) = 0;
    // A peripheral's advertisement was heard during a scan.
    virtual void centralManager_didDiscoverPeripheral_advertisementData_RSSI(
        CentralManager& central, const std::shared_ptr<Peripheral>& peripheral,
        const Value::Dictionary& advertisementData, const Number& RSSI) {
        (void)central, (void)peripheral, (void)advertisementData, (void)RSSI;
    }
    virtual void centralManager_didConnectPeripheral(CentralManager& central,
                                                     const std::shared_ptr<Peripheral>& peripheral) {
        (void)central, (void)peripheral;
    }
    virtual void centralManager_didFailToConnectPeripheral_error(
        CentralManager& central, const std::shared_ptr<Peripheral>& peripheral,
        const std::optional<Error>& error) {
        (void)central, (void)peripheral, (void)error;
    }
    // The link ended: asked for (no error) or lost (an error says why).
    virtual void centralManager_didDisconnectPeripheral_error(CentralManager& central,
                                                              const std::shared_ptr<Peripheral>& peripheral,
                                                              const std::optional<Error>& error) {
        (void)central, (void)peripheral, (void)error;
    }

    // The answers of the older, asynchronous retrieval: the known peripherals among identifiers asked
    // for, one known peripheral, and every peripheral connected to the system. This manager retrieves
    // synchronously (retrievePeripheralsWithIdentifiers and the like), so no backend here delivers
    // them; a backend over a system that answers only the older way would.
    virtual void centralManager_didRetrievePeripherals(
        CentralManager& central, const std::vector<std::shared_ptr<Peripheral>>& peripherals) {
        (void)central, (void)peripherals;
    }
    virtual void centralManager_didRetrievePeripheral(CentralManager& central,
                                                      const std::shared_ptr<Peripheral>& peripheral) {
        (void)central, (void)peripheral;
    }
    virtual void centralManager_didRetrieveConnectedPeripherals(
        CentralManager& central, const std::vector<std::shared_ptr<Peripheral>>& peripherals) {
        (void)central, (void)peripherals;
    }
    // The state a relaunched application's central is handed back. Nothing here relaunches an
    // application into restored Bluetooth state, so no backend delivers it.
    virtual void centralManager_willRestoreState(CentralManager& central, const Value::Dictionary& state) {
        (void)central, (void)state;
    }
};

}  // namespace platform
