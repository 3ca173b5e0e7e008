#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/bluetooth/BluetoothUUID.h"
#include "platform/bluetooth/CentralManagerDelegate.h"

namespace platform {

class Peripheral;

// How a scan reports what it hears.
struct ScanOptions {
    // Every advertisement is reported; without it, each peripheral once per scan.
    bool allowDuplicates = false;
    // Peripherals soliciting one of these services are reported too.
    std::vector<BluetoothUUID> solicitedServiceUUIDs;
};

// A Bluetooth LE central: scans for advertising peripherals, connects and disconnects them, and finds
// peripherals it already knows. Requests may come from any thread; every report reaches the delegate
// on the queue given at creation (a serial queue, or the main queue when none is given), in order.
class CentralManager : public std::enable_shared_from_this<CentralManager> {
public:
    enum State : int32_t {
        kStateUnknown = 0,
        kStateResetting = 1,
        kStateUnsupported = 2,
        kStateUnauthorized = 3,
        kStatePoweredOff = 4,
        kStatePoweredOn = 5,
    };

    // The manager starts in the unknown state and learns the radio's state shortly after.
    static std::shared_ptr<CentralManager> create(std::weak_ptr<CentralManagerDelegate> delegate,
                                                  std::shared_ptr<DispatchQueue> queue,
                                                  std::shared_ptr<BluetoothBackend> backend = nullptr);
    ~CentralManager();

    State state() const { return state_.load(); }
    const std::shared_ptr<DispatchQueue>& queue() const { return queue_; }
    std::shared_ptr<CentralManagerDelegate> delegate() const;
    void setDelegate(std::weak_ptr<CentralManagerDelegate> delegate);

    // Scans for peripherals advertising one of the services (all peripherals when none are given),
    // replacing the running scan. Only while powered on; otherwise logged and ignored.
    void scanForPeripheralsWithServices_options(const std::optional<std::vector<BluetoothUUID>>& services,
                                                const ScanOptions& options = {});
    void stopScan();
    bool isScanning() const;
    // Connects the peripheral; an attempt does not time out (cancel it to give up).
    void connectPeripheral(const std::shared_ptr<Peripheral>& peripheral);
    // Ends the link or the attempt; the delegate hears a disconnection without error.
    void cancelPeripheralConnection(const std::shared_ptr<Peripheral>& peripheral);
    // The known peripherals among the identifiers (upper-case UUID texts).
    std::vector<std::shared_ptr<Peripheral>> retrievePeripheralsWithIdentifiers(
        const std::vector<std::string>& identifiers);
    // Peripherals connected to the system that offer one of the services.
    std::vector<std::shared_ptr<Peripheral>> retrieveConnectedPeripheralsWithServices(
        const std::vector<BluetoothUUID>& services);

    // For backends --------------------------------------------------------------------------------------
    const std::shared_ptr<BluetoothBackend>& backend() const { return backend_; }
    // The new state is stored and the delegate told, on the manager's queue.
    void deliverState(State state);
    // Runs the call on the manager's queue with its delegate, if it still has one.
    void deliver(std::function<void(CentralManagerDelegate&, CentralManager&)> call);
    // Runs the closure on the manager's queue.
    void performOnQueue(Closure closure);

    CentralManager(const CentralManager&) = delete;
    CentralManager& operator=(const CentralManager&) = delete;

private:
    CentralManager(std::weak_ptr<CentralManagerDelegate> delegate, std::shared_ptr<DispatchQueue> queue,
                   std::shared_ptr<BluetoothBackend> backend);

    const std::shared_ptr<DispatchQueue> queue_;
    const std::shared_ptr<BluetoothBackend> backend_;
    mutable std::mutex mutex_;
    std::weak_ptr<CentralManagerDelegate> delegate_;
    std::atomic<State> state_{kStateUnknown};
};

}  // namespace platform
