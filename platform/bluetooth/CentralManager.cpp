#include "platform/bluetooth/CentralManager.h"

#include "platform/bluetooth/Peripheral.h"

namespace platform {

std::shared_ptr<CentralManager> CentralManager::create(std::weak_ptr<CentralManagerDelegate> delegate,
                                                       std::shared_ptr<DispatchQueue> queue,
                                                       std::shared_ptr<BluetoothBackend> backend) {
    if (!backend) backend = BluetoothBackend::current();
    auto central = std::shared_ptr<CentralManager>(
        new CentralManager(std::move(delegate), std::move(queue), std::move(backend)));
    central->backend_->centralManagerCreated(central);
    return central;
}

CentralManager::CentralManager(std::weak_ptr<CentralManagerDelegate> delegate,
                               std::shared_ptr<DispatchQueue> queue,
                               std::shared_ptr<BluetoothBackend> backend)
    : queue_(std::move(queue)), backend_(std::move(backend)), delegate_(std::move(delegate)) {}

CentralManager::~CentralManager() {
    backend_->centralManagerDestroyed(this);
}

std::shared_ptr<CentralManagerDelegate> CentralManager::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

void CentralManager::setDelegate(std::weak_ptr<CentralManagerDelegate> delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

void CentralManager::scanForPeripheralsWithServices_options(
    const std::optional<std::vector<BluetoothUUID>>& services, const ScanOptions& options) {
    backend_->scan(*this, services, options);
}

void CentralManager::stopScan() {
    backend_->stopScan(*this);
}

bool CentralManager::isScanning() const {
    return backend_->isScanning(*this);
}

void CentralManager::connectPeripheral(const std::shared_ptr<Peripheral>& peripheral) {
    if (peripheral) backend_->connect(*this, peripheral);
}

void CentralManager::cancelPeripheralConnection(const std::shared_ptr<Peripheral>& peripheral) {
    if (peripheral) backend_->cancelConnection(*this, peripheral);
}

std::vector<std::shared_ptr<Peripheral>> CentralManager::retrievePeripheralsWithIdentifiers(
    const std::vector<std::string>& identifiers) {
    return backend_->retrievePeripherals(*this, identifiers);
}

std::vector<std::shared_ptr<Peripheral>> CentralManager::retrieveConnectedPeripheralsWithServices(
    const std::vector<BluetoothUUID>& services) {
    return backend_->retrieveConnectedPeripherals(*this, services);
}

void CentralManager::performOnQueue(Closure closure) {
    if (queue_) {
        queue_->async(std::move(closure));
    } else {
        RunLoop::main().post(std::move(closure));
    }
}

void CentralManager::deliver(std::function<void(CentralManagerDelegate&, CentralManager&)> call) {
    auto self = shared_from_this();
    performOnQueue([self, call = std::move(call)] {
        if (auto delegate = self->delegate()) call(*delegate, *self);
    });
}

void CentralManager::deliverState(State state) {
    auto self = shared_from_this();
    performOnQueue([self, state] {
        // The state changes on the manager's queue, right before the delegate hears of it, so that the
        // delegate and everything it reads afterwards agree on it.
        if (self->state_.exchange(state) == state) return;
        if (auto delegate = self->delegate()) delegate->centralManagerDidUpdateState(*self);
    });
}

}  // namespace platform
