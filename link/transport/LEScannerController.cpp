#include "link/transport/LEScannerController.h"

#include <algorithm>
#include <tuple>

#include "app/shell/ThreadHelpers.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/CBUUIDManager.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "link/transport/LEScannerStateHelper.h"
#include "link/transport/PeripheralConnectionFilter.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/bluetooth/BluetoothError.h"

namespace kestrune {

namespace {

using platform::CentralManager;
using platform::Peripheral;
using Stamp = LeScannerConnection::ScannerStamp;

constexpr const char* kLockOnScreenShown = "LockOnScreenShownNotification";
constexpr const char* kScreenTurnedOn = "ScreenTurnedOnNotification";
constexpr const char* kDidWakeAfterLongSleep = "applicationDidWakeAfterLongSleep";
constexpr const char* kDidWakeUp = "applicationDidWakeUpNotification";

// Set and younger than the seconds. A stamp never set is infinitely old.
bool lessThan(const EventTimestamp& stamp, double seconds) {
    return stamp.isSet() && stamp.secondsElapsedFromLastEvent() < seconds;
}

// The phone's own identifier is known only once the handshake told it.
bool hasPhoneIdentifier(LeScannerConnection& connection) {
    return !connection.connectionManager().remoteUniqueIdentifier().empty();
}

}  // namespace

// Life ------------------------------------------------------------------------------------------------------

std::shared_ptr<LEScannerController> LEScannerController::initWithDelegate(
    std::weak_ptr<LEScannerDelegate> delegate) {
    auto scanner = std::shared_ptr<LEScannerController>(new LEScannerController());
    scanner->delegate_ = std::move(delegate);
    scanner->resetScanProperties();
    scanner->ignoreManager_ = std::make_unique<LEScannerIgnoreManager>();
    scanner->observeNotifications();
    return scanner;
}

LEScannerController::~LEScannerController() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void LEScannerController::observeNotifications() {
    auto& center = platform::NotificationCenter::defaultCenter();
    std::weak_ptr<LEScannerController> weak = weak_from_this();
    auto to = [weak](void (LEScannerController::*operation)()) {
        return [weak, operation](const platform::Notification&) {
            if (auto self = weak.lock()) ((*self).*operation)();
        };
    };
    center.addObserver(this, kLockOnScreenShown, nullptr, to(&LEScannerController::tryToTurnBluetoothOn));
    center.addObserver(this, kScreenTurnedOn, nullptr, to(&LEScannerController::tryToTurnBluetoothOn));
    center.addObserver(this, kDidWakeAfterLongSleep, nullptr,
                       to(&LEScannerController::applicationDidWakeAfterLongSleep));
    center.addObserver(this, kDidWakeUp, nullptr, to(&LEScannerController::applicationDidWake));
}

void LEScannerController::reportOnMainThread(const std::function<void(LEScannerDelegate&)>& report) {
    auto receiver = delegate();
    if (!receiver) return;
    runOnMainThreadSync([&] { report(*receiver); });
}

void LEScannerController::reportError(int64_t code, const std::shared_ptr<LeScannerConnection>& connection) {
    reportOnMainThread([this, code, connection](LEScannerDelegate& receiver) {
        receiver.scanner_didExperienceError_forConnection(*this, code, connection);
    });
}

void LEScannerController::resetScanProperties() {
    std::lock_guard lock(mutex_);
    numberOfTimesScannedForAllServices_ = 1;
    numberOfTimesScannedForSpecificServices_ = 1;
}

bool LEScannerController::isOwnCentral(const CentralManager& central) const {
    std::lock_guard lock(mutex_);
    return centralManager_.get() == &central;
}

// The central manager and its power -------------------------------------------------------------------------

void LEScannerController::initializeCentralManager() {
    auto queue = platform::DispatchQueue::createSerial(kQueueLabel);
    auto central = CentralManager::create(weak_from_this(), queue);
    std::shared_ptr<CentralManager> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::move(centralManager_);
        centralManager_ = std::move(central);
    }
    // The old manager goes here, outside the lock: its links end with it.
}

void LEScannerController::tryToTurnBluetoothOn() {
    auto central = centralManager();
    if (!central || central->state() != CentralManager::kStatePoweredOff || !Bluetooth::bluetoothIsOn())
        return;
    bool recreate;
    {
        std::lock_guard lock(mutex_);
        if (restartScanningEvent_.moreSecondsElapsedSinceLastTrigger(kRestartScanningPeriod))
            restartScanningEvent_.eventTriggered();
        double elapsed = restartScanningEvent_.secondsElapsedFromLastEvent();
        recreate = elapsed > kRecreateAfter && elapsed < kRecreateBefore;
    }
    if (recreate) initializeCentralManager();
    std::weak_ptr<LEScannerController> weak = weak_from_this();
    platform::RunLoop::main().performAfterDelay(kPowerRetryInterval, [weak] {
        if (auto self = weak.lock()) self->tryToTurnBluetoothOn();
    });
}

void LEScannerController::centralManagerDidUpdateState(CentralManager& central) {
    if (!isOwnCentral(central)) return;
    runOnMainThreadSync([this, &central] {
        auto state = central.state();
        if (state == CentralManager::kStateResetting || state == CentralManager::kStatePoweredOff) {
            notifyDelegatesOfDisconnect();
        } else if (state == CentralManager::kStatePoweredOn) {
            if (auto receiver = delegate()) receiver->scannerIsOnAndReady();
        }
    });
}

void LEScannerController::notifyDelegatesOfDisconnect() {
    for (const auto& connection : connectedConnections()) connection->notifyDelegateOfDisconnect();
}

// The LEScanner operations ----------------------------------------------------------------------------------

void LEScannerController::acceptUUIDServiceString(const std::string& uuid) {
    std::lock_guard lock(mutex_);
    auto& list = serviceUUIDToAcceptConnection_;
    if (std::find(list.begin(), list.end(), uuid) == list.end()) list.push_back(platform::toUpperASCII(uuid));
}

void LEScannerController::cachePeripheralWithUUID(const std::string& uuid) {
    std::shared_ptr<LeScannerConnection> connection;
    {
        std::lock_guard lock(mutex_);
        auto found = myConnectedConnections_.find(uuid);
        if (found != myConnectedConnections_.end()) {
            connection = found->second;
            cachedConnections_.setMainConnection(connection);
        }
        mainErrorCount_ = 0;
    }
    if (!connection) return;
    persistantData_.removeAllSavedDevices();
    persistantData_.addSavedDevice(connection->peripheralIdentifier());
    ignoreManager_->removePeripheralFromIgnoreList(uuid);
    removeAndIgnoreAllPeripheralsExceptPeripheralWithUUID(uuid);
}

void LEScannerController::removeAndIgnoreAllPeripheralsExceptPeripheralWithUUID(const std::string& uuid) {
    std::vector<std::shared_ptr<LeScannerConnection>> others;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [key, connection] : myFoundConnections_)
            if (platform::caseInsensitiveCompare(key, uuid) != 0 && connection) others.push_back(connection);
    }
    for (const auto& connection : others) {
        std::string identifier = connection->peripheralIdentifier();
        ignorePeripheralWithUUID_forReason(identifier, kIgnorePermanently);
        removeCachedPeripheralWithUUID(identifier);
    }
}

void LEScannerController::removeCachedPeripheralWithUUID(const std::string& uuid) {
    std::lock_guard lock(mutex_);
    cachedConnections_.removeCachedConnectionWithUUID(uuid);
}

void LEScannerController::removeAllCachedConnections() {
    std::lock_guard lock(mutex_);
    cachedConnections_.removeAllCachedConnections();
    cachedConnections_.setMainConnection(nullptr);
}

void LEScannerController::performBLETurnedOnAndReadyNotification() {
    if (BluetoothLE::shared().isSafeToUseBLE()) retrievePeripheralsOnNextScanIfNeeded();
}

void LEScannerController::cleanPeripheralsForIgnoreReason(uint32_t reason) {
    ignoreManager_->removeIgnorePeripheralsForReason(reason);
}

void LEScannerController::clearPeripheralIgnoreList() {
    ignoreManager_->removeAllPeripheralsFromTheIgnoreList();
    std::lock_guard lock(mutex_);
    clearIgnoreListEvent_.eventTriggered();
}

void LEScannerController::removePeripheralFromIgnoreList(const std::string& uuid) {
    ignoreManager_->removePeripheralFromIgnoreList(uuid);
}

void LEScannerController::ignorePeripheralWithUUID_forReason(const std::string& uuid, uint32_t reason) {
    bool isMain;
    std::shared_ptr<LeScannerConnection> connected;
    {
        std::lock_guard lock(mutex_);
        isMain = cachedConnections_.hasCachedConnectionWithUUID(uuid);
        auto found = myConnectedConnections_.find(uuid);
        if (found != myConnectedConnections_.end()) connected = found->second;
    }
    int64_t count = isMain ? kIgnoreCountForMainConnection : kIgnoreCount;
    switch (reason) {
        case kIgnoreUnsuitable:
        case kIgnoreInappropriateServices:
            ignoreManager_->ignorePeripheralWithUUID_forReason_afterCount(uuid, reason, count);
            return;
        case kIgnoreTemporarily:
            // The tracked phone is never black-listed for a while.
            if (!isMain)
                ignoreManager_->permamentlyIgnorePeripheralWithUUID_forReason(uuid,
                                                                              kIgnoreInappropriateServices);
            return;
        case kIgnoreForeign:
            ignoreManager_->ignorePeripheralWithUUID_forReason_afterCount(uuid, kIgnorePermanently,
                                                                          kIgnoreCountForMainConnection);
            ignoreManager_->permamentlyIgnorePeripheralWithUUID_forReason(uuid, kIgnoreForeign);
            break;
        case kIgnorePermanently:
            ignoreManager_->permamentlyIgnorePeripheralWithUUID_forReason(uuid, kIgnorePermanently);
            break;
        default:
            return;
    }
    if (connected) disconnect(connected);
}

void LEScannerController::setServiceUUIDsToSearchFor(const std::vector<std::string>& uuids) {
    if (!centralManager()) initializeCentralManager();
    {
        std::lock_guard lock(mutex_);
        serviceUUIDToAcceptConnection_.clear();
    }
    for (const auto& uuid : uuids) acceptUUIDServiceString(uuid);
}

void LEScannerController::setServiceUUIDToSearchFor(const std::string& uuid) {
    setServiceUUIDsToSearchFor({uuid});
}

bool LEScannerController::isScanning() const {
    std::lock_guard lock(mutex_);
    return isScanning_;
}

void LEScannerController::stopScanning() {
    if (auto central = centralManager()) central->stopScan();
    std::lock_guard lock(mutex_);
    isScanning_ = false;
}

void LEScannerController::cleanupAllConnections() {
    std::vector<std::shared_ptr<Peripheral>> peripherals;
    std::shared_ptr<CentralManager> central;
    {
        std::lock_guard lock(mutex_);
        peripherals.swap(myFoundPeripherals_);
        myFoundConnections_.clear();
        myConnectedConnections_.clear();
        central = centralManager_;
    }
    if (!central) return;
    for (const auto& peripheral : peripherals) central->cancelPeripheralConnection(peripheral);
}

std::shared_ptr<LEScannerConnectionInterface> LEScannerController::connectionForUnID(
    const std::string& unId) {
    std::lock_guard lock(mutex_);
    auto found = myConnectedConnections_.find(unId);
    return found == myConnectedConnections_.end() ? nullptr : found->second;
}

void LEScannerController::clearDevicesForced(bool forced) {
    for (const auto& connection : connectedConnections()) {
        connection->disconnect(true);
        if (forced) connection->forceTerminateConnection(true);
    }
}

// Scanning
// ----------------------------------------------------------------------------------------------------

std::optional<std::vector<platform::BluetoothUUID>> LEScannerController::getArrayOfCBUUIDFromServices()
    const {
    auto accepted = acceptedServices();
    if (accepted.empty()) return std::nullopt;
    std::vector<platform::BluetoothUUID> services;
    for (const auto& text : accepted)
        if (auto bytes = CBUUIDManager::generateCBUUIDFromString(platform::toUpperASCII(text)))
            services.emplace_back(*bytes);
    return services;
}

void LEScannerController::executeSingleScan() {
    auto services = getArrayOfCBUUIDFromServices();
    runOnMainThreadSync([this, &services] { prepareAndScanForServices(services); });
}

void LEScannerController::prepareAndScanForServices(
    const std::optional<std::vector<platform::BluetoothUUID>>& services) {
    auto central = centralManager();
    if (!central || central->state() != CentralManager::kStatePoweredOn) return;
    if (DeviceSpecificConfig::shouldTryToConnectToLastKnownConnection()) tryToReconnectToMainConnection();
    if (DeviceSpecificConfig::shouldRetreiveConnectedPeripheralsOnScan() &&
        shouldRetreiveConnectedPeripherals())
        retreiveConnectedPeripheralsAndScan();
    executeScanForServices(services);
}

void LEScannerController::executeScanForServices(
    const std::optional<std::vector<platform::BluetoothUUID>>& services) {
    auto central = centralManager();
    if (!central) return;
    platform::ScanOptions options;  // getOptionsForServices:includeSolicitedServicesKey: YES
    options.allowDuplicates = true;
    if (services) options.solicitedServiceUUIDs = *services;
    double ratio;
    {
        std::lock_guard lock(mutex_);
        ratio = static_cast<double>(numberOfTimesScannedForSpecificServices_ /
                                    numberOfTimesScannedForAllServices_);
    }
    bool all = DeviceSpecificConfig::shouldScanForAllServicesForScanRation(ratio);
    if (all) {
        central->scanForPeripheralsWithServices_options(std::nullopt, options);
    } else {
        central->scanForPeripheralsWithServices_options(services, {});
    }
    std::lock_guard lock(mutex_);
    ++(all ? numberOfTimesScannedForAllServices_ : numberOfTimesScannedForSpecificServices_);
    isScanning_ = true;
}

// Retrieval and waking -------------------------------------------------------------------------------------

void LEScannerController::retrievePeripheralsOnNextScanIfNeeded() {
    std::lock_guard lock(mutex_);
    if (peripheralRecoveredTimestamp_.moreSecondsElapsedSinceLastTrigger(kRetrievalSpacing))
        shouldRetreiveConnectedPeripherals_ = true;
}

void LEScannerController::retreiveConnectedPeripheralsAndScan() {
    auto central = centralManager();
    if (!central || central->state() != CentralManager::kStatePoweredOn) return;
    {
        std::lock_guard lock(mutex_);
        shouldRetreiveConnectedPeripherals_ = false;
    }
    std::vector<std::shared_ptr<Peripheral>> candidates;
    if (auto saved = persistantData_.loadSavedDevices(); saved && !saved->empty())
        candidates = central->retrievePeripheralsWithIdentifiers(*saved);
    std::vector<platform::BluetoothUUID> services;
    for (const auto& connection : connectedConnections()) {
        auto text = connection->serviceId();
        if (!text || text->empty()) continue;
        auto bytes = CBUUIDManager::generateCBUUIDFromString(*text);
        if (!bytes) continue;
        platform::BluetoothUUID uuid(*bytes);
        if (std::find(services.begin(), services.end(), uuid) == services.end()) services.push_back(uuid);
    }
    if (!services.empty()) {
        for (const auto& peripheral : central->retrieveConnectedPeripheralsWithServices(services))
            if (peripheral && std::find(candidates.begin(), candidates.end(), peripheral) == candidates.end())
                candidates.push_back(peripheral);
    }
    handleRecoveredPeripherals(candidates);
}

void LEScannerController::handleRecoveredPeripherals(
    const std::vector<std::shared_ptr<Peripheral>>& peripherals) {
    for (const auto& peripheral : peripherals) {
        if (!peripheral || peripheralIsAlreadyConnecting(peripheral)) continue;
        runOnMainThreadSync([this, &peripheral] { didRecoverPeripheral(peripheral); });
    }
}

bool LEScannerController::peripheralIsAlreadyConnecting(const std::shared_ptr<Peripheral>& peripheral) const {
    std::shared_ptr<LeScannerConnection> connection;
    {
        std::lock_guard lock(mutex_);
        auto found = myFoundConnections_.find(peripheral->identifier());
        if (found != myFoundConnections_.end()) connection = found->second;
    }
    return connection && LEScannerStateHelper::scannerStateIsConnecting(connection->scannerState());
}

void LEScannerController::didRecoverPeripheral(const std::shared_ptr<Peripheral>& peripheral) {
    {
        std::lock_guard lock(mutex_);
        peripheralRecoveredTimestamp_.eventTriggered();
    }
    tryToConnectToPeripheral_RSSI(peripheral, platform::Number(0));
}

void LEScannerController::applicationDidWake() {
    std::lock_guard lock(mutex_);
    applicationDidWake_.eventTriggered();
}

void LEScannerController::applicationDidWakeAfterLongSleep() {
    std::vector<std::shared_ptr<LeScannerConnection>> connections;
    {
        std::lock_guard lock(mutex_);
        longSleepWakeUp_.eventTriggered();
        for (const auto& [key, connection] : myFoundConnections_)
            if (connection) connections.push_back(connection);
        // The phone is found again by its saved identifier, which stays.
        cachedConnections_.setMainConnection(nullptr);
    }
    for (const auto& connection : connections)
        connection->setIgnoreForceRestartConnectionAfterLongSleep(false);
    std::weak_ptr<LEScannerController> weak = weak_from_this();
    platform::RunLoop::main().performAfterDelay(kLongSleepRetrievalDelay, [weak] {
        if (auto self = weak.lock()) self->retrievePeripheralsOnNextScanIfNeeded();
    });
}

// Advertisements ------------------------------------------------------------------------------------------

void LEScannerController::centralManager_didDiscoverPeripheral_advertisementData_RSSI(
    CentralManager&, const std::shared_ptr<Peripheral>& peripheral,
    const platform::Value::Dictionary& advertisementData, const platform::Number& RSSI) {
    if (!peripheral) return;
    if (auto receiver = delegate(); receiver && receiver->scannerShouldIgnoreAllDiscoveredConnections(*this))
        return;
    if (shouldIgnorePeripheral_withAdvertismentData(peripheral, advertisementData)) return;
    tryToConnectToPeripheral_RSSI(peripheral, RSSI);
}

bool LEScannerController::shouldIgnorePeripheral_withAdvertismentData(
    const std::shared_ptr<Peripheral>& peripheral, const platform::Value::Dictionary& advertisementData) {
    const std::string& identifier = peripheral->identifier();
    if (ignoreManager_->peripheralIsOnTheIgnoreList(identifier)) return true;
    if (!PeripheralConnectionFilter::canConnectToPeripheralWithAdvertismentData(advertisementData) &&
        DeviceSpecificConfig::shouldIgnoreUnconnectablePeripherals()) {
        ignorePeripheralWithUUID_forReason(identifier, kIgnorePermanently);
        removeCachedPeripheralWithUUID(identifier);
        return true;
    }
    auto connection = connectionForPeripheral(peripheral);
    if (lessThan(connection->scannerTimestamp(Stamp::LastDetect), kDetectSpacing)) return true;
    connection->triggerScannerTimestamp(Stamp::LastDetect);
    if (lessThan(connection->scannerTimestamp(Stamp::LastUpdate), kUpdateSpacing)) return true;
    if (connectionIsInDisconnectProccess(connection)) {
        if (connection->inDisconnectTimestampValue().moreSecondsElapsedSinceLastTrigger(
                kStuckDisconnectingLimit)) {
            connection->forceTerminateConnection(true);
            reportError(LEScannerDelegate::kErrorStuckDisconnecting, connection);
        }
        return true;
    }
    if (peripheral->state() == Peripheral::kConnected && !hasPhoneIdentifier(*connection)) return true;
    if (!PeripheralConnectionFilter::peripheralHasAppropriateServicesInAdvertismentData_serviceUUIDs(
            advertisementData, acceptedServices())) {
        ignorePeripheralWithUUID_forReason(identifier, kIgnoreUnsuitable);
        return true;
    }
    if (PeripheralConnectionFilter::isUnknownService(advertisementData)) {
        ignorePeripheralWithUUID_forReason(identifier, kIgnoreForeign);
        return true;
    }
    if (PeripheralConnectionFilter::isAppleTVForAdvertismentData(advertisementData)) {
        platform::logf("Advertisment: %s", platform::Value(advertisementData).description().c_str());
        ignorePeripheralWithUUID_forReason(identifier, kIgnoreForeign);
        return true;
    }
    return false;
}

bool LEScannerController::connectionIsInDisconnectProccess(
    const std::shared_ptr<LeScannerConnection>& connection) const {
    if (!connection->isInDisconectingProcess()) return false;
    auto peripheral = connection->peripheral();
    return peripheral && peripheral->state() != Peripheral::kDisconnected;
}

std::shared_ptr<LeScannerConnection> LEScannerController::connectionForPeripheral(
    const std::shared_ptr<Peripheral>& peripheral) {
    const std::string& identifier = peripheral->identifier();
    std::shared_ptr<LeScannerConnection> connection;
    {
        std::lock_guard lock(mutex_);
        auto connected = myConnectedConnections_.find(identifier);
        if (connected != myConnectedConnections_.end()) {
            connection = connected->second;
        } else if (auto found = myFoundConnections_.find(identifier); found != myFoundConnections_.end()) {
            connection = found->second;
        } else if (cachedConnections_.hasCachedConnectionWithUUID(identifier)) {
            connection = cachedConnections_.mainConnection();
            myFoundConnections_[identifier] = connection;
        }
    }
    if (connection) {
        if (connection->peripheral() != peripheral) connection->updateConnectionWithPeripheral(peripheral);
        connection->setInternalDelegate(weak_from_this());
        return connection;
    }
    auto created = LeScannerConnection::initWithPeripheral_withDelegate(peripheral, weak_from_this());
    std::shared_ptr<LeScannerConnection> existing;
    {
        std::lock_guard lock(mutex_);
        auto [entry, inserted] = myFoundConnections_.emplace(identifier, created);
        if (!inserted) existing = entry->second;
    }
    if (!existing) return created;
    // Another thread made one first: that one keeps the peripheral.
    peripheral->setDelegate(std::weak_ptr<platform::PeripheralDelegate>(existing));
    return existing;
}

void LEScannerController::tryToConnectToPeripheral_RSSI(const std::shared_ptr<Peripheral>& peripheral,
                                                        const platform::Number& RSSI) {
    std::shared_ptr<LeScannerConnection> connection;
    {
        std::lock_guard lock(mutex_);
        auto found = myFoundConnections_.find(peripheral->identifier());
        if (found != myFoundConnections_.end()) connection = found->second;
    }
    auto state = peripheral->state();
    if (state == Peripheral::kConnected && connection && hasPhoneIdentifier(*connection)) {
        discoveredConnectedConneciton_withRSSI(connection, RSSI);
        connection->setRSSI(RSSI);
        return;
    }
    if (state == Peripheral::kDisconnected) {
        recreateConnectionAndConnectPeripheral(peripheral);
        return;
    }
    if (!connection && state == Peripheral::kConnecting) {
        handlePeripheralForMainConneciton(peripheral);
        return;
    }
    if (connection) connection->setRSSI(RSSI);
}

void LEScannerController::discoveredConnectedConneciton_withRSSI(
    const std::shared_ptr<LeScannerConnection>& connection, const platform::Number& RSSI) {
    if (!connection->scannerTimestamp(Stamp::LastUpdate)
             .moreSecondsElapsedSinceLastTrigger(kDetectReportSpacing))
        return;
    connection->triggerScannerTimestamp(Stamp::LastUpdate);
    reportOnMainThread([this, &connection, &RSSI](LEScannerDelegate& receiver) {
        receiver.scanner_didDetect_withRSSI(*this, connection, RSSI);
    });
}

void LEScannerController::handlePeripheralForMainConneciton(const std::shared_ptr<Peripheral>& peripheral) {
    bool connect;
    std::shared_ptr<CentralManager> central;
    {
        std::lock_guard lock(mutex_);
        connect = mainErrorCount_ < 1;
        ++mainErrorCount_;
        if (!connect) mainErrorCount_ = 0;
        central = centralManager_;
    }
    if (!central) return;
    if (connect) {
        central->connectPeripheral(peripheral);
    } else {
        central->cancelPeripheralConnection(peripheral);
    }
}

void LEScannerController::recreateConnectionAndConnectPeripheral(
    const std::shared_ptr<Peripheral>& peripheral) {
    recreateConnectionForPeripheral(peripheral);
    connectCustomPeripheral(peripheral);
}

std::shared_ptr<LeScannerConnection> LEScannerController::recreateConnectionForPeripheral(
    const std::shared_ptr<Peripheral>& peripheral) {
    {
        std::lock_guard lock(mutex_);
        if (std::find(myFoundPeripherals_.begin(), myFoundPeripherals_.end(), peripheral) ==
            myFoundPeripherals_.end())
            myFoundPeripherals_.push_back(peripheral);
    }
    auto connection = connectionForPeripheral(peripheral);
    connection->triggerScannerTimestamp(Stamp::LastUpdate);
    std::lock_guard lock(mutex_);
    myFoundConnections_[peripheral->identifier()] = connection;
    return connection;
}

// The connect queue
// ------------------------------------------------------------------------------------------

void LEScannerController::connectCustomPeripheral(const std::shared_ptr<Peripheral>& peripheral) {
    if (peripheral->state() == Peripheral::kConnected) return;
    std::shared_ptr<LeScannerConnection> connection;
    std::shared_ptr<CentralManager> central;
    {
        std::lock_guard lock(mutex_);
        auto found = myFoundConnections_.find(peripheral->identifier());
        if (found == myFoundConnections_.end() || !found->second) return;
        connection = found->second;
        central = centralManager_;
    }
    if (!central) return;
    std::string unId = connection->unId();
    bool now;
    {
        std::lock_guard lock(mutex_);
        now = lastConnectionAttemptTimestamp_.moreSecondsElapsedSinceLastTrigger(kConnectSpacing);
        if (now) {
            lastConnectionAttemptTimestamp_.eventTriggered();
            pendingConnectPeripherals_.erase(unId);
        } else {
            putConnectionToConnectQueueAndTryToConnectLater(unId, connection);
        }
    }
    if (!now) return;
    connection->triggerScannerTimestamp(Stamp::StartedConnecting);
    central->connectPeripheral(peripheral);
    connection->didAttemptConnection();
    checkAfterDelayIfAnyPeripheralInConnectQueue();
}

void LEScannerController::putConnectionToConnectQueueAndTryToConnectLater(
    const std::string& unId, const std::shared_ptr<LeScannerConnection>& connection) {
    // Called under the lock.
    pendingConnectPeripherals_[unId] = connection;
}

void LEScannerController::checkAfterDelayIfAnyPeripheralInConnectQueue() {
    std::weak_ptr<LEScannerController> weak = weak_from_this();
    platform::RunLoop::main().performAfterDelay(kConnectQueueCheckDelay, [weak] {
        if (auto self = weak.lock()) self->checkConnectQueue();
    });
}

void LEScannerController::checkConnectQueue() {
    std::shared_ptr<LeScannerConnection> next;
    {
        std::lock_guard lock(mutex_);
        // The connection longest since it started connecting goes first (a stamp never set counts as the
        // longest), ties by the phone's identifier. It leaves the queue: an entry whose peripheral has
        // meanwhile connected or gone must not hold the others back at every check.
        auto best = pendingConnectPeripherals_.end();
        double bestTime = 0;
        for (auto it = pendingConnectPeripherals_.begin(); it != pendingConnectPeripherals_.end(); ++it) {
            if (!it->second) continue;
            double time = it->second->scannerTimestamp(Stamp::StartedConnecting).eventTimeSince1970();
            if (best == pendingConnectPeripherals_.end() || time < bestTime) {
                best = it;
                bestTime = time;
            }
        }
        if (best == pendingConnectPeripherals_.end()) {
            pendingConnectPeripherals_.clear();
            return;
        }
        next = best->second;
        pendingConnectPeripherals_.erase(best);
    }
    if (auto peripheral = next->peripheral()) connectCustomPeripheral(peripheral);
}

void LEScannerController::tryToReconnectToMainConnection() {
    auto main = mainConnection();
    auto peripheral = main ? main->peripheral() : nullptr;
    if (!peripheral || peripheral->state() != Peripheral::kDisconnected) return;
    recreateConnectionAndConnectPeripheral(peripheral);
    main->resetScannerTimestamp(Stamp::StartedConnecting);
    if (auto central = centralManager()) central->connectPeripheral(peripheral);
}

// Connect, fail and disconnect ------------------------------------------------------------------------------

void LEScannerController::centralManager_didConnectPeripheral(CentralManager& central,
                                                              const std::shared_ptr<Peripheral>& peripheral) {
    platform::logf("Did connect!!");
    if (!peripheral || !isOwnCentral(central)) return;
    auto connection = connectionForPeripheral(peripheral);
    connection->triggerScannerTimestamp(Stamp::StartedConnecting);
    {
        std::lock_guard lock(mutex_);
        myConnectedConnections_[peripheral->identifier()] = connection;
    }
    connection->connectionEstablished();
}

void LEScannerController::centralManager_didFailToConnectPeripheral_error(
    CentralManager&, const std::shared_ptr<Peripheral>&, const std::optional<platform::Error>& error) {
    if (error && error->code == platform::BluetoothError::kConnectionFailed) {
        reportError(LEScannerDelegate::kErrorCorruptedBluetoothCache, nullptr);
        reportError(LEScannerDelegate::kErrorFatalLink, nullptr);
        return;
    }
    cleanupAllConnections();
    reportError(LEScannerDelegate::kErrorConnectFailed, nullptr);
}

void LEScannerController::centralManager_didDisconnectPeripheral_error(
    CentralManager&, const std::shared_ptr<Peripheral>& peripheral,
    const std::optional<platform::Error>& error) {
    if (!peripheral) return;
    auto connection = connectionForPeripheral(peripheral);
    if (error) connection->handleGeneralBleutoothError(*error);
    connection->connectionLost();
    std::lock_guard lock(mutex_);
    myConnectedConnections_.erase(peripheral->identifier());
    myFoundPeripherals_.erase(std::remove(myFoundPeripherals_.begin(), myFoundPeripherals_.end(), peripheral),
                              myFoundPeripherals_.end());
}

void LEScannerController::centralManager_didRetrievePeripherals(
    CentralManager&, const std::vector<std::shared_ptr<Peripheral>>& peripherals) {
    for (const auto& peripheral : peripherals)
        if (peripheral) recreateConnectionAndConnectPeripheral(peripheral);
}

void LEScannerController::centralManager_didRetrievePeripheral(
    CentralManager&, const std::shared_ptr<Peripheral>& peripheral) {
    if (peripheral) recreateConnectionAndConnectPeripheral(peripheral);
}

void LEScannerController::centralManager_didRetrieveConnectedPeripherals(
    CentralManager& central, const std::vector<std::shared_ptr<Peripheral>>& peripherals) {
    // Straight through the manager that answered: no connection object and no spacing, as ever.
    for (const auto& peripheral : peripherals)
        if (peripheral) central.connectPeripheral(peripheral);
}

void LEScannerController::centralManager_willRestoreState(CentralManager&,
                                                          const platform::Value::Dictionary&) {}

void LEScannerController::disconnectPeripheral(const std::shared_ptr<Peripheral>& peripheral) {
    if (auto central = centralManager()) central->cancelPeripheralConnection(peripheral);
}

void LEScannerController::disconnect(const std::shared_ptr<LeScannerConnection>& connection) {
    if (connection) connection->disconnect(true);
}

// Kept for callers outside the scanner ----------------------------------------------------------------------

bool LEScannerController::isAnyPeripheralConnecting() const {
    for (const auto& peripheral : foundPeripherals())
        if (peripheral && peripheral->state() == Peripheral::kConnecting) return true;
    return false;
}

void LEScannerController::connectionIsTryingToConnectForALongPeriodOfTime(
    const std::shared_ptr<LeScannerConnection>& connection) {
    if (!connection) return;
    markConnectionAsUnsuitable(connection);
    disconnect(connection);
}

void LEScannerController::restartScan(const std::optional<std::vector<platform::BluetoothUUID>>& services) {
    executeScanForServices(services);
}

// The connections' questions and reports -------------------------------------------------------------------

void LEScannerController::scannerConnection_didUpdateState(
    const std::shared_ptr<LeScannerConnection>& connection, uint32_t state) {
    bool usable = state == LeScannerConnection::kStateFullyConnected ||
                  (state == LeScannerConnection::kStateLinkConnected && !connection->requireHandshake());
    if (!usable) return;
    if (state == LeScannerConnection::kStateFullyConnected) resetScanProperties();
    auto RSSI = connection->lastRSSI();
    reportOnMainThread([this, &connection, &RSSI](LEScannerDelegate& receiver) {
        receiver.scanner_didDiscover_withRSSI(*this, connection, RSSI);
    });
}

void LEScannerController::scannerConnection_didGetStuckInState(
    const std::shared_ptr<LeScannerConnection>& connection, uint32_t) {
    ignorePeripheralWithUUID_forReason(connection->peripheralIdentifier(), kIgnoreUnsuitable);
    connection->disconnectBecauseOfError();
}

void LEScannerController::scannerConnection_performCommand(
    const std::shared_ptr<LeScannerConnection>& connection, int32_t command) {
    auto peripheral = connection->peripheral();
    if (!peripheral) return;
    if (command == kCommandCancelConnection) {
        disconnectPeripheral(peripheral);
    } else if (command == kCommandConnect) {
        connectCustomPeripheral(peripheral);
    }
}

std::vector<platform::BluetoothUUID> LEScannerController::scannerConnectionGetArrayOfServices(
    const std::shared_ptr<LeScannerConnection>&) {
    return getArrayOfCBUUIDFromServices().value_or(std::vector<platform::BluetoothUUID>{});
}

void LEScannerController::protocolVersionNotMatching(bool macMustUpdate) {
    if (auto receiver = delegate()) receiver->protocolVersionNotMatching(macMustUpdate);
}

void LEScannerController::markConnectionAsUnsuitable(const std::shared_ptr<LeScannerConnection>& connection) {
    ignorePeripheralWithUUID_forReason(connection->peripheralIdentifier(), kIgnoreUnsuitable);
}

void LEScannerController::scannerConnectionIsNotAnAppropriateConnection(
    const std::shared_ptr<LeScannerConnection>& connection) {
    markConnectionAsUnsuitable(connection);
    disconnect(connection);
}

void LEScannerController::scannerConnectionExperiencedUnsolvableError(
    const std::shared_ptr<LeScannerConnection>& connection) {
    markConnectionAsUnsuitable(connection);
}

void LEScannerController::scannerConnectionExperiencedCorruptedBluetoothCache(
    const std::shared_ptr<LeScannerConnection>& connection) {
    reportError(LEScannerDelegate::kErrorCorruptedBluetoothCache, connection);
}

void LEScannerController::scannerConnectionDidDetectInappropriateServices(
    const std::shared_ptr<LeScannerConnection>& connection) {
    std::string identifier = connection->peripheralIdentifier();
    ignorePeripheralWithUUID_forReason(identifier, kIgnoreInappropriateServices);
    removeCachedPeripheralWithUUID(identifier);
}

bool LEScannerController::scannerConnection_shouldAcceptServiceWithUUID(
    const std::shared_ptr<LeScannerConnection>&, const std::string& uuid) {
    std::string upper = platform::toUpperASCII(uuid);
    std::lock_guard lock(mutex_);
    const auto& list = serviceUUIDToAcceptConnection_;
    return std::find(list.begin(), list.end(), upper) != list.end();
}

bool LEScannerController::scannerConnectionShouldAcceptAllServices(
    const std::shared_ptr<LeScannerConnection>&) {
    std::lock_guard lock(mutex_);
    return lessThan(clearIgnoreListEvent_, kAcceptAllServicesAfterClearing);
}

bool LEScannerController::scannerShouldScanForServicesAfterConnection(
    const std::shared_ptr<LeScannerConnection>& connection) {
    auto receiver = delegate();
    return receiver && receiver->scannerShouldProceedWithConnectingTo(connection);
}

// Looking on
// ----------------------------------------------------------------------------------------------------

std::shared_ptr<CentralManager> LEScannerController::centralManager() const {
    std::lock_guard lock(mutex_);
    return centralManager_;
}

std::shared_ptr<LeScannerConnection> LEScannerController::mainConnection() const {
    std::lock_guard lock(mutex_);
    return cachedConnections_.mainConnection();
}

std::vector<std::shared_ptr<Peripheral>> LEScannerController::foundPeripherals() const {
    std::lock_guard lock(mutex_);
    return myFoundPeripherals_;
}

std::vector<std::shared_ptr<LeScannerConnection>> LEScannerController::connectedConnections() const {
    std::vector<std::shared_ptr<LeScannerConnection>> connections;
    std::lock_guard lock(mutex_);
    for (const auto& [key, connection] : myConnectedConnections_)
        if (connection) connections.push_back(connection);
    return connections;
}

std::vector<std::string> LEScannerController::acceptedServices() const {
    std::lock_guard lock(mutex_);
    return serviceUUIDToAcceptConnection_;
}

size_t LEScannerController::foundConnectionCount() const {
    std::lock_guard lock(mutex_);
    return myFoundConnections_.size();
}

size_t LEScannerController::pendingConnectCount() const {
    std::lock_guard lock(mutex_);
    return pendingConnectPeripherals_.size();
}

bool LEScannerController::shouldRetreiveConnectedPeripherals() const {
    std::lock_guard lock(mutex_);
    return shouldRetreiveConnectedPeripherals_;
}

int64_t LEScannerController::mainErrorCount() const {
    std::lock_guard lock(mutex_);
    return mainErrorCount_;
}

}  // namespace kestrune
