#include "platform/bluetooth/BluetoothBackend.h"

#include "platform/base/BackendSlot.h"
#include "platform/bluetooth/CentralManager.h"

namespace platform {

namespace {

// A machine without a Bluetooth controller: managers learn that Bluetooth LE is unsupported, requests
// go nowhere and the controller stays off. It is what runs until the program's entry (or a test)
// installs a backend.
class NoControllerBackend final : public BluetoothBackend {
public:
    void centralManagerCreated(const std::shared_ptr<CentralManager>& central) override {
        central->deliverState(CentralManager::kStateUnsupported);
    }
    void centralManagerDestroyed(const CentralManager*) override {}
    void scan(CentralManager&, const std::optional<std::vector<BluetoothUUID>>&,
              const ScanOptions&) override {}
    void stopScan(CentralManager&) override {}
    bool isScanning(const CentralManager&) const override { return false; }
    void connect(CentralManager&, const std::shared_ptr<Peripheral>&) override {}
    void cancelConnection(CentralManager&, const std::shared_ptr<Peripheral>&) override {}
    std::vector<std::shared_ptr<Peripheral>> retrievePeripherals(CentralManager&,
                                                                 const std::vector<std::string>&) override {
        return {};
    }
    std::vector<std::shared_ptr<Peripheral>> retrieveConnectedPeripherals(
        CentralManager&, const std::vector<BluetoothUUID>&) override {
        return {};
    }
    void discoverServices(Peripheral&, const std::optional<std::vector<BluetoothUUID>>&) override {}
    void discoverCharacteristics(Peripheral&, const std::shared_ptr<Service>&,
                                 const std::optional<std::vector<BluetoothUUID>>&) override {}
    void setNotifyValue(Peripheral&, const std::shared_ptr<Characteristic>&, bool) override {}
    void writeValue(Peripheral&, const std::shared_ptr<Characteristic>&, const Data&, bool) override {}
    void readRSSI(Peripheral&) override {}
    bool controllerPowerState() override { return false; }
    void setControllerPowerState(bool) override {}
};

}  // namespace

std::shared_ptr<BluetoothBackend> BluetoothBackend::current() {
    return platform::backendSlot<BluetoothBackend>().getOr<NoControllerBackend>();
}

void BluetoothBackend::install(std::shared_ptr<BluetoothBackend> backend) {
    platform::backendSlot<BluetoothBackend>().set(std::move(backend));
}

}  // namespace platform
