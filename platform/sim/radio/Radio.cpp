#include "platform/sim/radio/Radio.h"

#include <algorithm>
#include <cmath>

#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/SharedInstance.h"
#include "platform/base/Strings.h"
#include "platform/bluetooth/BluetoothError.h"
#include "platform/bluetooth/Peripheral.h"
#include "platform/system/SystemVersion.h"

namespace platform {

namespace {

SharedInstance<Radio> gSharedRadio;

// The peripherals' hooks run on the main thread, like every other event of the radio.
void onMainThread(Closure closure) {
    if (isMainThread()) {
        closure();
    } else {
        RunLoop::main().post(std::move(closure));
    }
}

bool listContains(const std::vector<BluetoothUUID>& list, const BluetoothUUID& uuid) {
    return std::find(list.begin(), list.end(), uuid) != list.end();
}

void stopNotifying(Peripheral& peripheral) {
    for (const auto& service : peripheral.services())
        for (const auto& characteristic : service->characteristics()) characteristic->setNotifying(false);
}

// Readings are answered through the callback of the system the application believes it runs on.
bool systemHasReadRSSICallback() {
    auto parts = SystemVersion::currentParts();
    return parts.major > 10 || (parts.major == 10 && parts.minor >= 13);
}

}  // namespace

std::shared_ptr<Radio> Radio::shared() {
    return gSharedRadio.getShared([] { return create(); });
}

void Radio::resetShared() {
    gSharedRadio.resetForTesting();
    shared();
}

std::shared_ptr<Radio> Radio::create() {
    return std::shared_ptr<Radio>(new Radio());
}

Radio::~Radio() {
    if (advertisingTimer_) advertisingTimer_->invalidate();
    if (supervisionTimer_) supervisionTimer_->invalidate();
}

void Radio::run(Actions& actions) {
    for (auto& action : actions) action();
    actions.clear();
}

void Radio::schedule(double delay, std::function<void(Radio&)> event) {
    std::weak_ptr<Radio> weak = weak_from_this();
    RunLoop::main().performAfterDelay(delay, [weak, event = std::move(event)] {
        if (auto radio = weak.lock()) event(*radio);
    });
}

// The world
// --------------------------------------------------------------------------------------------------

void Radio::addPeripheral(const std::shared_ptr<SimulatedPeripheral>& peripheral) {
    if (!peripheral) return;
    std::lock_guard lock(mutex_);
    world_[peripheral->identifier()] = peripheral;
    peripheral->attach(weak_from_this());
    updateTimersLocked();
}

void Radio::removePeripheral(const std::string& identifier) {
    std::shared_ptr<SimulatedPeripheral> gone;
    std::lock_guard lock(mutex_);
    auto it = world_.find(toUpperASCII(identifier));
    if (it == world_.end()) return;
    gone = it->second;
    world_.erase(it);
    gone->attach({});
    updateTimersLocked();
}

std::shared_ptr<SimulatedPeripheral> Radio::peripheral(const std::string& identifier) const {
    std::lock_guard lock(mutex_);
    return deviceLocked(identifier);
}

std::shared_ptr<SimulatedPeripheral> Radio::deviceLocked(const std::string& identifier) const {
    auto it = world_.find(toUpperASCII(identifier));
    return it == world_.end() ? nullptr : it->second;
}

bool Radio::inRangeLocked(const SimulatedPeripheral& peripheral, double now) const {
    return peripheral.levelAt(now) >= sensitivity_;
}

// The controller
// ---------------------------------------------------------------------------------------------

CentralManager::State Radio::lowEnergyState() const {
    std::lock_guard lock(mutex_);
    if (!lowEnergySupported_) return CentralManager::kStateUnsupported;
    if (resetting_) return CentralManager::kStateResetting;
    return powered_ ? CentralManager::kStatePoweredOn : CentralManager::kStatePoweredOff;
}

void Radio::deliverStateToAllLocked(Actions& actions) {
    CentralManager::State state = CentralManager::kStatePoweredOn;
    if (!lowEnergySupported_) {
        state = CentralManager::kStateUnsupported;
    } else if (resetting_) {
        state = CentralManager::kStateResetting;
    } else if (!powered_) {
        state = CentralManager::kStatePoweredOff;
    }
    for (auto& [pointer, record] : centrals_) {
        if (auto central = record.central.lock())
            actions.push_back([central, state] { central->deliverState(state); });
    }
    if (state == CentralManager::kStatePoweredOn) return;
    // A radio that is not powered on keeps no link and hears nothing; the managers learn it from the
    // state alone, as they would from a controller that went away.
    std::vector<LinkKey> keys;
    for (const auto& [key, link] : links_) keys.push_back(key);
    for (const auto& key : keys) endLinkLocked(key, std::nullopt, false, actions);
    for (auto& [pointer, record] : centrals_) {
        record.scanning = false;
        record.reported.clear();
    }
}

void Radio::powerChangedLocked(bool on, Actions& actions) {
    powered_ = on;
    deliverStateToAllLocked(actions);
    updateTimersLocked();
}

void Radio::setControllerPowered(bool on) {
    Actions actions;
    {
        std::lock_guard lock(mutex_);
        ++powerGeneration_;
        powerTarget_ = on;
        if (powered_ != on) powerChangedLocked(on, actions);
    }
    run(actions);
}

bool Radio::controllerPowerState() {
    std::lock_guard lock(mutex_);
    return powered_;
}

void Radio::setControllerPowerState(bool on) {
    std::lock_guard lock(mutex_);
    if (powerTarget_ == on) return;
    powerTarget_ = on;
    uint64_t generation = ++powerGeneration_;
    schedule(powerTransitionDelay_, [generation, on](Radio& radio) {
        Actions actions;
        {
            std::lock_guard lock(radio.mutex_);
            if (radio.powerGeneration_ != generation) return;
            radio.powerChangedLocked(on, actions);
        }
        radio.run(actions);
    });
}

void Radio::setPowerTransitionDelay(double seconds) {
    std::lock_guard lock(mutex_);
    powerTransitionDelay_ = std::max(0.0, seconds);
}

void Radio::setLowEnergySupported(bool supported) {
    Actions actions;
    {
        std::lock_guard lock(mutex_);
        if (lowEnergySupported_ == supported) return;
        lowEnergySupported_ = supported;
        deliverStateToAllLocked(actions);
        updateTimersLocked();
    }
    run(actions);
}

void Radio::resetController(double seconds) {
    Actions actions;
    {
        std::lock_guard lock(mutex_);
        resetting_ = true;
        deliverStateToAllLocked(actions);
        updateTimersLocked();
        schedule(seconds, [](Radio& radio) {
            Actions after;
            {
                std::lock_guard lock(radio.mutex_);
                radio.resetting_ = false;
                radio.deliverStateToAllLocked(after);
                radio.updateTimersLocked();
            }
            radio.run(after);
        });
    }
    run(actions);
}

// Timing and signal
// ------------------------------------------------------------------------------------------

void Radio::setLinkLatency(double seconds) {
    std::lock_guard lock(mutex_);
    linkLatency_ = std::max(0.0, seconds);
}

double Radio::linkLatency() const {
    std::lock_guard lock(mutex_);
    return linkLatency_;
}

void Radio::setConnectLatency(double seconds) {
    std::lock_guard lock(mutex_);
    connectLatency_ = std::max(0.0, seconds);
}

void Radio::setSupervisionTimeout(double seconds) {
    std::lock_guard lock(mutex_);
    supervisionTimeout_ = std::max(0.0, seconds);
}

void Radio::setSensitivity(double dBm) {
    std::lock_guard lock(mutex_);
    sensitivity_ = dBm;
}

double Radio::sensitivity() const {
    std::lock_guard lock(mutex_);
    return sensitivity_;
}

void Radio::setSeed(uint64_t seed) {
    std::lock_guard lock(mutex_);
    seed_ = seed;
}

uint64_t Radio::seed() const {
    std::lock_guard lock(mutex_);
    return seed_;
}

// Looking on
// -------------------------------------------------------------------------------------------------

size_t Radio::centralCount() const {
    std::lock_guard lock(mutex_);
    return centrals_.size();
}

bool Radio::isAnyCentralScanning() const {
    std::lock_guard lock(mutex_);
    for (const auto& [pointer, record] : centrals_)
        if (record.scanning) return true;
    return false;
}

size_t Radio::connectedLinkCount(const std::string& peripheralIdentifier) const {
    std::lock_guard lock(mutex_);
    std::string identifier = toUpperASCII(peripheralIdentifier);
    return static_cast<size_t>(std::count_if(links_.begin(), links_.end(), [&](const auto& entry) {
        return entry.first.second == identifier && entry.second.connected;
    }));
}

size_t Radio::pendingConnectionCount(const std::string& peripheralIdentifier) const {
    std::lock_guard lock(mutex_);
    std::string identifier = toUpperASCII(peripheralIdentifier);
    return static_cast<size_t>(std::count_if(links_.begin(), links_.end(), [&](const auto& entry) {
        return entry.first.second == identifier && !entry.second.connected;
    }));
}

bool Radio::isSubscribed(const std::string& peripheralIdentifier, const BluetoothUUID& characteristic) const {
    std::lock_guard lock(mutex_);
    std::string identifier = toUpperASCII(peripheralIdentifier);
    for (const auto& [key, link] : links_)
        if (key.second == identifier && link.connected && link.subscribed.count(characteristic)) return true;
    return false;
}

// Managers
// ---------------------------------------------------------------------------------------------------

void Radio::centralManagerCreated(const std::shared_ptr<CentralManager>& central) {
    {
        std::lock_guard lock(mutex_);
        CentralRecord& record = centrals_[central.get()];
        record = CentralRecord{};
        record.central = central;
    }
    // A new manager learns the radio's state shortly after it was made, never during its creation.
    std::weak_ptr<CentralManager> weak = central;
    schedule(linkLatency(), [weak](Radio& radio) {
        if (auto manager = weak.lock()) manager->deliverState(radio.lowEnergyState());
    });
}

void Radio::centralManagerDestroyed(const CentralManager* central) {
    Actions actions;
    {
        std::lock_guard lock(mutex_);
        std::vector<LinkKey> keys;
        for (const auto& [key, link] : links_)
            if (key.first == central) keys.push_back(key);
        for (const auto& key : keys) endLinkLocked(key, std::nullopt, false, actions);
        centrals_.erase(central);
        updateTimersLocked();
    }
    run(actions);
}

std::shared_ptr<Peripheral> Radio::peripheralObjectLocked(
    CentralRecord& record, const CentralManager* central,
    const std::shared_ptr<SimulatedPeripheral>& device) {
    (void)central;
    auto& object = record.peripherals[device->identifier()];
    if (!object) object = std::make_shared<Peripheral>(device->identifier(), record.central);
    object->setName(device->name());
    return object;
}

// Scanning and advertising
// -----------------------------------------------------------------------------------

void Radio::scan(CentralManager& central, const std::optional<std::vector<BluetoothUUID>>& services,
                 const ScanOptions& options) {
    std::lock_guard lock(mutex_);
    auto it = centrals_.find(&central);
    if (it == centrals_.end()) return;
    if (!lowEnergySupported_ || resetting_ || !powered_) {
        logf("Bluetooth: a scan was asked while the radio is not powered on; ignored");
        return;
    }
    CentralRecord& record = it->second;
    record.scanning = true;
    record.filter = services;
    record.options = options;
    record.reported.clear();
    updateTimersLocked();
}

void Radio::stopScan(CentralManager& central) {
    std::lock_guard lock(mutex_);
    auto it = centrals_.find(&central);
    if (it == centrals_.end()) return;
    it->second.scanning = false;
    it->second.reported.clear();
    updateTimersLocked();
}

bool Radio::isScanning(const CentralManager& central) const {
    std::lock_guard lock(mutex_);
    auto it = centrals_.find(&central);
    return it != centrals_.end() && it->second.scanning;
}

void Radio::updateTimersLocked() {
    double now = Clock::now();
    bool scanning = std::any_of(centrals_.begin(), centrals_.end(),
                                [](const auto& entry) { return entry.second.scanning; });
    std::optional<double> next;
    if (scanning) {
        for (const auto& [identifier, device] : world_) {
            if (!device->isAdvertising()) continue;
            double due = device->nextAdvertisementAfter(now);
            if (!next || due < *next) next = due;
        }
    }
    bool running = advertisingTimer_ && advertisingTimer_->isValid();
    if (!next) {
        if (running) advertisingTimer_->invalidate();
        advertisingTimer_.reset();
    } else if (!running || advertisingDue_ != *next) {
        if (running) advertisingTimer_->invalidate();
        std::weak_ptr<Radio> weak = weak_from_this();
        advertisingDue_ = *next;
        advertisingTimer_ = RunLoop::main().performAfterDelay(*next - now, [weak] {
            if (auto radio = weak.lock()) radio->advertise();
        });
    }

    bool supervising = supervisionTimer_ && supervisionTimer_->isValid();
    if (links_.empty()) {
        if (supervising) supervisionTimer_->invalidate();
        supervisionTimer_.reset();
    } else if (!supervising) {
        std::weak_ptr<Radio> weak = weak_from_this();
        supervisionTimer_ = Timer::create(kSupervisionInterval, true, [weak](Timer&) {
            if (auto radio = weak.lock()) radio->supervise();
        });
        RunLoop::main().addTimer(supervisionTimer_);
    }
}

void Radio::peripheralDidChange() {
    std::lock_guard lock(mutex_);
    updateTimersLocked();
}

void Radio::advertise() {
    Actions actions;
    {
        std::lock_guard lock(mutex_);
        double now = Clock::now();
        // The moment the timer stood for: the clock may have moved on a little since.
        double tick = advertisingDue_;
        advertisingTimer_.reset();
        for (const auto& [identifier, device] : world_) {
            if (!device->isAdvertising()) continue;
            // The latest advertisement of the device's lattice, if it falls on this tick.
            double interval = device->advertisingInterval();
            double latest = device->nextAdvertisementAfter(tick - interval);
            if (std::fabs(latest - tick) > 1e-6) continue;
            if (!inRangeLocked(*device, now)) continue;
            Value::Dictionary advertisement = device->advertisementData();
            for (auto& [pointer, record] : centrals_) {
                if (!record.scanning) continue;
                if (record.filter && !record.filter->empty() &&
                    !device->advertisesAnyOf(*record.filter, record.options.solicitedServiceUUIDs))
                    continue;
                if (!record.options.allowDuplicates && !record.reported.insert(identifier).second) continue;
                auto central = record.central.lock();
                if (!central) continue;
                auto object = peripheralObjectLocked(record, pointer, device);
                int rssi = device->readingAt(now, seed_);
                actions.push_back([central, object, advertisement, rssi] {
                    central->deliver([object, advertisement, rssi](CentralManagerDelegate& delegate,
                                                                   CentralManager& manager) {
                        delegate.centralManager_didDiscoverPeripheral_advertisementData_RSSI(
                            manager, object, advertisement, Number(rssi));
                    });
                });
            }
        }
        updateTimersLocked();
    }
    run(actions);
}

// Connections
// ------------------------------------------------------------------------------------------------

Radio::Link* Radio::linkLocked(const LinkKey& key, uint64_t generation) {
    auto it = links_.find(key);
    if (it == links_.end() || it->second.generation != generation) return nullptr;
    return &it->second;
}

Radio::Link* Radio::connectedLinkLocked(const Peripheral& peripheral, LinkKey& key) {
    auto central = peripheral.central();
    if (!central) return nullptr;
    key = {central.get(), peripheral.identifier()};
    auto it = links_.find(key);
    if (it == links_.end() || !it->second.connected || it->second.closing) return nullptr;
    return &it->second;
}

void Radio::connect(CentralManager& central, const std::shared_ptr<Peripheral>& peripheral) {
    std::lock_guard lock(mutex_);
    auto it = centrals_.find(&central);
    if (it == centrals_.end()) return;
    if (!lowEnergySupported_ || resetting_ || !powered_) {
        logf("Bluetooth: a connection was asked while the radio is not powered on; ignored");
        return;
    }
    LinkKey key{&central, peripheral->identifier()};
    auto existing = links_.find(key);
    if (existing != links_.end()) {
        // Already connecting or connected; a link still closing connects again once it has closed.
        if (existing->second.closing) existing->second.reconnectWhenClosed = true;
        return;
    }
    it->second.peripherals.emplace(peripheral->identifier(), peripheral);
    startAttemptLocked(key, peripheral);
}

void Radio::startAttemptLocked(const LinkKey& key, const std::shared_ptr<Peripheral>& peripheral) {
    Link& link = links_[key];
    link = Link{};
    link.generation = nextGeneration_++;
    peripheral->setState(Peripheral::kConnecting);
    uint64_t generation = link.generation;
    updateTimersLocked();
    schedule(connectLatency_, [key, generation](Radio& radio) {
        Actions actions;
        {
            std::lock_guard lock(radio.mutex_);
            radio.attemptConnectionLocked(key, generation, actions);
            radio.updateTimersLocked();
        }
        radio.run(actions);
    });
}

void Radio::attemptConnectionLocked(const LinkKey& key, uint64_t generation, Actions& actions) {
    Link* link = linkLocked(key, generation);
    if (!link || link->connected || link->closing) return;
    auto record = centrals_.find(key.first);
    if (record == centrals_.end()) return;
    auto device = deviceLocked(key.second);
    if (!device) return;  // not around: the attempt stays pending, as it would with a real controller
    auto object = record->second.peripherals[key.second];
    auto central = record->second.central.lock();
    if (!object || !central) return;
    if (auto failure = device->takeConnectionFailure()) {
        links_.erase(key);
        object->setState(Peripheral::kDisconnected);
        actions.push_back([central, object, failure] {
            central->deliver([object, failure](CentralManagerDelegate& delegate, CentralManager& manager) {
                delegate.centralManager_didFailToConnectPeripheral_error(manager, object, failure);
            });
        });
        return;
    }
    if (!device->acceptsConnections() || !inRangeLocked(*device, Clock::now())) {
        actions.push_back([central] {});  // released after the lock
        return;
    }
    link->connected = true;
    link->outOfRangeSince.reset();
    object->setState(Peripheral::kConnected);
    actions.push_back([device] { onMainThread([device] { device->didConnect(); }); });
    actions.push_back([central, object] {
        central->deliver([object](CentralManagerDelegate& delegate, CentralManager& manager) {
            delegate.centralManager_didConnectPeripheral(manager, object);
        });
    });
}

void Radio::cancelConnection(CentralManager& central, const std::shared_ptr<Peripheral>& peripheral) {
    std::lock_guard lock(mutex_);
    LinkKey key{&central, peripheral->identifier()};
    auto it = links_.find(key);
    if (it == links_.end() || it->second.closing) return;
    // The link closes after the latency: requests already on their way are still answered, new ones
    // are refused from now on.
    it->second.closing = true;
    uint64_t generation = it->second.generation;
    peripheral->setState(Peripheral::kDisconnecting);
    std::weak_ptr<CentralManager> weakCentral = peripheral->central();
    schedule(linkLatency_, [key, generation, peripheral, weakCentral](Radio& radio) {
        Actions actions;
        {
            std::lock_guard lock(radio.mutex_);
            // Gone already: lost or ended with the radio's power, and reported (or not) then.
            Link* link = radio.linkLocked(key, generation);
            if (!link) return;
            bool wasConnected = link->connected;
            bool reconnect = link->reconnectWhenClosed;
            radio.links_.erase(key);
            peripheral->setState(Peripheral::kDisconnected);
            stopNotifying(*peripheral);
            auto device = radio.deviceLocked(key.second);
            if (wasConnected && device)
                actions.push_back([device] { onMainThread([device] { device->didDisconnect(); }); });
            auto central = weakCentral.lock();
            if (central) {
                actions.push_back([central, peripheral] {
                    central->deliver([peripheral](CentralManagerDelegate& delegate, CentralManager& manager) {
                        delegate.centralManager_didDisconnectPeripheral_error(manager, peripheral,
                                                                              std::nullopt);
                    });
                });
                if (reconnect && radio.centrals_.count(key.first)) radio.startAttemptLocked(key, peripheral);
            }
            radio.updateTimersLocked();
        }
        radio.run(actions);
    });
}

void Radio::endLinkLocked(const LinkKey& key, std::optional<Error> error, bool report, Actions& actions) {
    auto it = links_.find(key);
    if (it == links_.end()) return;
    bool wasConnected = it->second.connected;
    links_.erase(it);
    std::shared_ptr<Peripheral> object;
    std::shared_ptr<CentralManager> central;
    auto record = centrals_.find(key.first);
    if (record != centrals_.end()) {
        auto found = record->second.peripherals.find(key.second);
        if (found != record->second.peripherals.end()) object = found->second;
        central = record->second.central.lock();
    }
    if (object) {
        object->setState(Peripheral::kDisconnected);
        stopNotifying(*object);
    }
    auto device = deviceLocked(key.second);
    if (wasConnected && device)
        actions.push_back([device] { onMainThread([device] { device->didDisconnect(); }); });
    if (!central) return;
    if (report && object) {
        actions.push_back([central, object, error] {
            central->deliver([object, error](CentralManagerDelegate& delegate, CentralManager& manager) {
                delegate.centralManager_didDisconnectPeripheral_error(manager, object, error);
            });
        });
    } else {
        actions.push_back([central] {});  // released after the lock
    }
}

void Radio::supervise() {
    Actions actions;
    {
        std::lock_guard lock(mutex_);
        double now = Clock::now();
        std::vector<LinkKey> lost;
        std::vector<std::pair<LinkKey, uint64_t>> pending;
        for (auto& [key, link] : links_) {
            if (link.closing) continue;
            auto device = deviceLocked(key.second);
            bool inRange = device && inRangeLocked(*device, now);
            if (!link.connected) {
                pending.emplace_back(key, link.generation);
            } else if (inRange) {
                link.outOfRangeSince.reset();
            } else if (!link.outOfRangeSince) {
                link.outOfRangeSince = now;
            } else if (now - *link.outOfRangeSince >= supervisionTimeout_ - 1e-9) {
                lost.push_back(key);
            }
        }
        for (const auto& key : lost)
            endLinkLocked(key, BluetoothError::error(BluetoothError::kConnectionTimeout), true, actions);
        for (const auto& [key, generation] : pending) attemptConnectionLocked(key, generation, actions);
        updateTimersLocked();
    }
    run(actions);
}

std::vector<std::shared_ptr<Peripheral>> Radio::retrievePeripherals(
    CentralManager& central, const std::vector<std::string>& identifiers) {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Peripheral>> found;
    auto it = centrals_.find(&central);
    if (it == centrals_.end()) return found;
    for (const auto& text : identifiers) {
        std::string identifier = toUpperASCII(text);
        std::shared_ptr<Peripheral> object;
        if (auto device = deviceLocked(identifier)) {
            object = peripheralObjectLocked(it->second, &central, device);
        } else {
            auto known = it->second.peripherals.find(identifier);
            if (known != it->second.peripherals.end()) object = known->second;
        }
        if (object && std::find(found.begin(), found.end(), object) == found.end()) found.push_back(object);
    }
    return found;
}

std::vector<std::shared_ptr<Peripheral>> Radio::retrieveConnectedPeripherals(
    CentralManager& central, const std::vector<BluetoothUUID>& services) {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Peripheral>> found;
    auto it = centrals_.find(&central);
    if (it == centrals_.end()) return found;
    for (const auto& [identifier, device] : world_) {
        const auto& wanted = identifier;  // clang 14 cannot capture a structured binding
        bool connected = std::any_of(links_.begin(), links_.end(), [&](const auto& entry) {
            return entry.first.second == wanted && entry.second.connected;
        });
        if (connected && device->servesAnyOf(services))
            found.push_back(peripheralObjectLocked(it->second, &central, device));
    }
    return found;
}

// Requests on a connected peripheral
// -------------------------------------------------------------------------

// The device behind a request on a connected peripheral, or null when the link is down or the device
// was told to leave this kind of request unanswered.
std::shared_ptr<SimulatedPeripheral> Radio::requestTargetLocked(Peripheral& peripheral,
                                                                SimulatedPeripheral::Operation operation,
                                                                LinkKey& key, uint64_t& generation) {
    Link* link = connectedLinkLocked(peripheral, key);
    if (!link) return nullptr;
    auto device = deviceLocked(key.second);
    if (!device || device->isStalled(operation)) return nullptr;
    generation = link->generation;
    return device;
}

// An answer scheduled on a link is dropped when that link ended (or was replaced) meanwhile.
bool Radio::isLinkUp(const LinkKey& key, uint64_t generation) {
    std::lock_guard lock(mutex_);
    Link* current = linkLocked(key, generation);
    return current && current->connected;
}

void Radio::discoverServices(Peripheral& peripheral,
                             const std::optional<std::vector<BluetoothUUID>>& services) {
    std::lock_guard lock(mutex_);
    LinkKey key;
    uint64_t generation = 0;
    auto device =
        requestTargetLocked(peripheral, SimulatedPeripheral::Operation::DiscoverServices, key, generation);
    if (!device) return;
    auto object = peripheral.shared_from_this();
    schedule(linkLatency_, [key, generation, services, object, device](Radio& radio) {
        if (!radio.isLinkUp(key, generation)) return;
        std::optional<Error> failure = device->takeFailure(SimulatedPeripheral::Operation::DiscoverServices);
        if (!failure) {
            std::vector<std::shared_ptr<Service>> found;
            for (const auto& described : device->services()) {
                if (services && !services->empty() && !listContains(*services, described.uuid)) continue;
                auto service = object->serviceWithUUID(described.uuid);
                if (!service) service = std::make_shared<Service>(described.uuid, true, object);
                found.push_back(service);
            }
            object->setServices(std::move(found));
        }
        object->deliver([failure](PeripheralDelegate& delegate, Peripheral& target) {
            delegate.peripheral_didDiscoverServices(target, failure);
        });
    });
}

void Radio::discoverCharacteristics(Peripheral& peripheral, const std::shared_ptr<Service>& service,
                                    const std::optional<std::vector<BluetoothUUID>>& characteristics) {
    std::lock_guard lock(mutex_);
    LinkKey key;
    uint64_t generation = 0;
    auto device = requestTargetLocked(peripheral, SimulatedPeripheral::Operation::DiscoverCharacteristics,
                                      key, generation);
    if (!device) return;
    auto object = peripheral.shared_from_this();
    schedule(linkLatency_, [key, generation, service, characteristics, object, device](Radio& radio) {
        if (!radio.isLinkUp(key, generation)) return;
        std::optional<Error> failure =
            device->takeFailure(SimulatedPeripheral::Operation::DiscoverCharacteristics);
        if (!failure) {
            std::optional<SimulatedPeripheral::ServiceDescription> described;
            for (const auto& served : device->services())
                if (served.uuid == service->UUID()) described = served;
            if (!described) {
                failure = BluetoothError::attributeError(BluetoothError::kAttributeInvalidHandle);
            } else {
                std::vector<std::shared_ptr<Characteristic>> found;
                for (const auto& wanted : described->characteristics) {
                    if (characteristics && !characteristics->empty() &&
                        !listContains(*characteristics, wanted.uuid))
                        continue;
                    auto characteristic = service->characteristicWithUUID(wanted.uuid);
                    if (!characteristic)
                        characteristic =
                            std::make_shared<Characteristic>(wanted.uuid, wanted.properties, service);
                    found.push_back(characteristic);
                }
                service->setCharacteristics(std::move(found));
            }
        }
        object->deliver([service, failure](PeripheralDelegate& delegate, Peripheral& target) {
            delegate.peripheral_didDiscoverCharacteristicsForService_error(target, service, failure);
        });
    });
}

void Radio::setNotifyValue(Peripheral& peripheral, const std::shared_ptr<Characteristic>& characteristic,
                           bool enabled) {
    std::lock_guard lock(mutex_);
    LinkKey key;
    uint64_t generation = 0;
    auto device = requestTargetLocked(peripheral, SimulatedPeripheral::Operation::SetNotify, key, generation);
    if (!device) return;
    auto object = peripheral.shared_from_this();
    schedule(linkLatency_, [key, generation, characteristic, enabled, object, device](Radio& radio) {
        std::optional<Error> failure = device->takeFailure(SimulatedPeripheral::Operation::SetNotify);
        if (!failure && !(characteristic->properties() &
                          (Characteristic::kPropertyNotify | Characteristic::kPropertyIndicate)))
            failure = BluetoothError::attributeError(BluetoothError::kAttributeRequestNotSupported);
        {
            std::lock_guard lock(radio.mutex_);
            Link* current = radio.linkLocked(key, generation);
            if (!current || !current->connected) return;
            if (!failure) {
                characteristic->setNotifying(enabled);
                if (enabled) {
                    current->subscribed.insert(characteristic->UUID());
                } else {
                    current->subscribed.erase(characteristic->UUID());
                }
            }
        }
        if (!failure) device->didChangeSubscription(characteristic->UUID(), enabled);
        object->deliver([characteristic, failure](PeripheralDelegate& delegate, Peripheral& target) {
            delegate.peripheral_didUpdateNotificationStateForCharacteristic_error(target, characteristic,
                                                                                  failure);
        });
    });
}

void Radio::writeValue(Peripheral& peripheral, const std::shared_ptr<Characteristic>& characteristic,
                       const Data& value, bool withResponse) {
    std::lock_guard lock(mutex_);
    LinkKey key;
    uint64_t generation = 0;
    auto device = requestTargetLocked(peripheral, SimulatedPeripheral::Operation::Write, key, generation);
    if (!device) return;
    auto object = peripheral.shared_from_this();
    schedule(
        linkLatency_, [key, generation, characteristic, value, withResponse, object, device](Radio& radio) {
            if (!radio.isLinkUp(key, generation)) return;
            std::optional<Error> failure = device->takeFailure(SimulatedPeripheral::Operation::Write);
            uint32_t needed =
                withResponse ? Characteristic::kPropertyWrite : Characteristic::kPropertyWriteWithoutResponse;
            if (!failure && !(characteristic->properties() & needed))
                failure = BluetoothError::attributeError(BluetoothError::kAttributeWriteNotPermitted);
            if (!failure) device->didReceiveWrite(characteristic->UUID(), value, withResponse);
            // A write without response is never acknowledged, and its failure goes unnoticed.
            if (!withResponse) return;
            object->deliver([characteristic, failure](PeripheralDelegate& delegate, Peripheral& target) {
                delegate.peripheral_didWriteValueForCharacteristic_error(target, characteristic, failure);
            });
        });
}

void Radio::readRSSI(Peripheral& peripheral) {
    std::lock_guard lock(mutex_);
    LinkKey key;
    uint64_t generation = 0;
    auto device = requestTargetLocked(peripheral, SimulatedPeripheral::Operation::ReadRSSI, key, generation);
    if (!device) return;
    auto object = peripheral.shared_from_this();
    schedule(linkLatency_, [key, generation, object, device](Radio& radio) {
        uint64_t seed;
        {
            std::lock_guard lock(radio.mutex_);
            Link* current = radio.linkLocked(key, generation);
            if (!current || !current->connected) return;
            seed = radio.seed_;
        }
        std::optional<Error> failure = device->takeFailure(SimulatedPeripheral::Operation::ReadRSSI);
        int reading = 0;
        if (!failure) {
            reading = device->takeRSSIOverride().value_or(device->readingAt(Clock::now(), seed));
            object->setRSSI(Number(reading));
        }
        if (systemHasReadRSSICallback()) {
            object->deliver([reading, failure](PeripheralDelegate& delegate, Peripheral& target) {
                delegate.peripheral_didReadRSSI_error(target, Number(reading), failure);
            });
        } else {
            object->deliver([failure](PeripheralDelegate& delegate, Peripheral& target) {
                delegate.peripheralDidUpdateRSSI_error(target, failure);
            });
        }
    });
}

// From the peripherals -----------------------------------------------------------------------------------

void Radio::peripheralNotify(SimulatedPeripheral& peripheral, const BluetoothUUID& characteristic,
                             const Data& value) {
    std::lock_guard lock(mutex_);
    auto device = deviceLocked(peripheral.identifier());
    if (!device) return;
    for (const auto& [key, link] : links_) {
        if (key.second != peripheral.identifier() || !link.connected ||
            !link.subscribed.count(characteristic))
            continue;
        auto record = centrals_.find(key.first);
        if (record == centrals_.end()) continue;
        auto found = record->second.peripherals.find(key.second);
        if (found == record->second.peripherals.end()) continue;
        auto object = found->second;
        uint64_t generation = link.generation;
        schedule(linkLatency_, [key = key, generation, characteristic, value, object, device](Radio& radio) {
            {
                std::lock_guard lock(radio.mutex_);
                Link* current = radio.linkLocked(key, generation);
                if (!current || !current->connected || !current->subscribed.count(characteristic)) return;
            }
            std::shared_ptr<Characteristic> target;
            for (const auto& service : object->services()) {
                auto candidate = service->characteristicWithUUID(characteristic);
                if (candidate && (!target || candidate->isNotifying())) target = candidate;
            }
            if (!target) return;
            std::optional<Error> failure = device->takeFailure(SimulatedPeripheral::Operation::ValueUpdate);
            object->deliver([target, value, failure](PeripheralDelegate& delegate, Peripheral& receiver) {
                // The value is the characteristic's during the call, as the delegate reads it there.
                if (!failure) target->setValue(value);
                delegate.peripheral_didUpdateValueForCharacteristic_error(receiver, target, failure);
            });
        });
    }
}

void Radio::peripheralDrop(SimulatedPeripheral& peripheral, std::optional<Error> error) {
    Actions actions;
    {
        std::lock_guard lock(mutex_);
        std::vector<LinkKey> keys;
        for (const auto& [key, link] : links_)
            if (key.second == peripheral.identifier() && link.connected) keys.push_back(key);
        for (const auto& key : keys) endLinkLocked(key, error, true, actions);
        updateTimersLocked();
    }
    run(actions);
}

void Radio::peripheralModifyServices(SimulatedPeripheral& peripheral,
                                     std::vector<BluetoothUUID> invalidated) {
    std::lock_guard lock(mutex_);
    for (const auto& [key, link] : links_) {
        if (key.second != peripheral.identifier() || !link.connected) continue;
        auto record = centrals_.find(key.first);
        if (record == centrals_.end()) continue;
        auto found = record->second.peripherals.find(key.second);
        if (found == record->second.peripherals.end()) continue;
        auto object = found->second;
        uint64_t generation = link.generation;
        schedule(linkLatency_, [key = key, generation, invalidated, object](Radio& radio) {
            if (!radio.isLinkUp(key, generation)) return;
            std::vector<std::shared_ptr<Service>> kept, removed;
            for (const auto& service : object->services())
                (listContains(invalidated, service->UUID()) ? removed : kept).push_back(service);
            object->setServices(std::move(kept));
            object->deliver([removed](PeripheralDelegate& delegate, Peripheral& target) {
                delegate.peripheral_didModifyServices(target, removed);
            });
        });
    }
}

}  // namespace platform
