#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Data.h"
#include "platform/bluetooth/BluetoothUUID.h"

namespace platform {

class CentralManager;
class Characteristic;
class Peripheral;
class Service;
struct ScanOptions;

// What carries the central managers' requests to a radio and brings its events back. The program's
// entry (or a test) installs the backend: on this system the simulated radio; a backend over a real
// controller would implement the same calls. A backend reports to managers and peripherals through their
// deliver operations, which run the delegate calls on the manager's queue; it never calls a delegate itself
// and never holds its own lock while handing an event over.
class BluetoothBackend {
public:
    virtual ~BluetoothBackend() = default;

    // The backend new central managers use: the one installed, else one for a machine without a
    // controller (Bluetooth LE unsupported, controller off).
    static std::shared_ptr<BluetoothBackend> current();
    // Installs a backend for managers created from now on (null: none, as on a machine without one).
    static void install(std::shared_ptr<BluetoothBackend> backend);

    // A manager was created; the backend reports its state to it soon after.
    virtual void centralManagerCreated(const std::shared_ptr<CentralManager>& central) = 0;
    // A manager is going away: its links end without reports.
    virtual void centralManagerDestroyed(const CentralManager* central) = 0;

    // Each request may come from any thread.
    virtual void scan(CentralManager& central, const std::optional<std::vector<BluetoothUUID>>& services,
                      const ScanOptions& options) = 0;
    virtual void stopScan(CentralManager& central) = 0;
    virtual bool isScanning(const CentralManager& central) const = 0;
    virtual void connect(CentralManager& central, const std::shared_ptr<Peripheral>& peripheral) = 0;
    virtual void cancelConnection(CentralManager& central, const std::shared_ptr<Peripheral>& peripheral) = 0;
    virtual std::vector<std::shared_ptr<Peripheral>> retrievePeripherals(
        CentralManager& central, const std::vector<std::string>& identifiers) = 0;
    virtual std::vector<std::shared_ptr<Peripheral>> retrieveConnectedPeripherals(
        CentralManager& central, const std::vector<BluetoothUUID>& services) = 0;

    virtual void discoverServices(Peripheral& peripheral,
                                  const std::optional<std::vector<BluetoothUUID>>& services) = 0;
    virtual void discoverCharacteristics(
        Peripheral& peripheral, const std::shared_ptr<Service>& service,
        const std::optional<std::vector<BluetoothUUID>>& characteristics) = 0;
    virtual void setNotifyValue(Peripheral& peripheral, const std::shared_ptr<Characteristic>& characteristic,
                                bool enabled) = 0;
    virtual void writeValue(Peripheral& peripheral, const std::shared_ptr<Characteristic>& characteristic,
                            const Data& value, bool withResponse) = 0;
    virtual void readRSSI(Peripheral& peripheral) = 0;

    // The controller's power: whether it is on, and a request to switch it, which takes effect after
    // the controller's own transition time.
    virtual bool controllerPowerState() = 0;
    virtual void setControllerPowerState(bool on) = 0;
};

}  // namespace platform
