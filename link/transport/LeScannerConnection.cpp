#include "link/transport/LeScannerConnection.h"

#include <algorithm>

#include "app/shell/ThreadHelpers.h"
#include "link/message/ConnectionConstants.h"
#include "link/transport/CBUUIDManager.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "link/transport/LEScannerStateHelper.h"
#include "platform/base/Log.h"
#include "platform/bluetooth/BluetoothError.h"

namespace kestrune {

namespace {

using platform::BluetoothUUID;
using platform::Peripheral;

// Never destroyed: the Bluetooth queue compares against them until the process ends.
const BluetoothUUID& primaryUUID() {
    static const auto& uuid = *new BluetoothUUID(BluetoothUUID::constant(kCharacteristicSendingPrimary));
    return uuid;
}
const BluetoothUUID& secondaryUUID() {
    static const auto& uuid = *new BluetoothUUID(BluetoothUUID::constant(kCharacteristicSendingSecondary));
    return uuid;
}
const BluetoothUUID& readingUUID() {
    static const auto& uuid = *new BluetoothUUID(BluetoothUUID::constant(kCharacteristicReading));
    return uuid;
}
const BluetoothUUID& readingFastUUID() {
    static const auto& uuid = *new BluetoothUUID(BluetoothUUID::constant(kCharacteristicReadingFast));
    return uuid;
}

bool isTimedState(uint32_t state) {
    return state == LeScannerConnection::kStateDiscoveringServices ||
           state == LeScannerConnection::kStateDiscoveringServicesAgain ||
           state == LeScannerConnection::kStateDiscoveringCharacteristics ||
           state == LeScannerConnection::kStateSubscribing ||
           state == LeScannerConnection::kStateAuthenticating;
}

bool notifies(const std::shared_ptr<platform::Characteristic>& characteristic) {
    return characteristic && characteristic->isNotifying();
}

}  // namespace

// Life ----------------------------------------------------------------------------------------------------

std::shared_ptr<LeScannerConnection> LeScannerConnection::initWithPeripheral_withDelegate(
    std::shared_ptr<platform::Peripheral> peripheral,
    std::weak_ptr<LeScannerConnectionInternalDelegate> delegate) {
    auto connection = std::shared_ptr<LeScannerConnection>(new LeScannerConnection());
    connection->delegateInternal_ = std::move(delegate);
    connection->requireHandshake_ = true;
    connection->connectionManager_ = AuthConnectionManager::create(connection);
    connection->frameSender_ = std::make_unique<FrameSender>(connection);
    connection->updateConnectionWithPeripheral(peripheral);
    return connection;
}

LeScannerConnection::~LeScannerConnection() {
    // The timers hold this object only weakly; stopping them spares the run loop their firing. The
    // handshake object stops its own timers when it goes with this object.
    for (auto* timer : {&stateTimer_, &forceDisconnectTimer_, &safetyTerminateTimer_})
        if (*timer) (*timer)->invalidate();
}

void LeScannerConnection::updateConnectionWithPeripheral(
    const std::shared_ptr<platform::Peripheral>& peripheral) {
    {
        std::lock_guard lock(mutex_);
        servicePeripheral_ = peripheral;
        inDisconnectTimestamp_ = EventTimestamp();
        connectionTimestamp_ = EventTimestamp();
        forceTerminateTimestamp_ = EventTimestamp();
        servicesModifiedTimestamp_ = EventTimestamp();
        lastUpdateTimestamp_ = EventTimestamp();
        lastDetectTimestamp_ = EventTimestamp();
        startedConnectingTimestamp_ = EventTimestamp();
    }
    if (peripheral) peripheral->setDelegate(std::weak_ptr<platform::PeripheralDelegate>(shared_from_this()));
    frameSender_->resetDataToSend();
    connecionData_.resetData();
}

void LeScannerConnection::setInternalDelegate(std::weak_ptr<LeScannerConnectionInternalDelegate> delegate) {
    std::lock_guard lock(mutex_);
    delegateInternal_ = std::move(delegate);
}

std::shared_ptr<LeScannerConnectionInternalDelegate> LeScannerConnection::internalDelegate() const {
    std::lock_guard lock(mutex_);
    return delegateInternal_.lock();
}

std::shared_ptr<LEScannerConnectionDelegate> LeScannerConnection::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

void LeScannerConnection::setDelegate(std::weak_ptr<LEScannerConnectionDelegate> delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

std::shared_ptr<platform::Peripheral> LeScannerConnection::peripheral() const {
    std::lock_guard lock(mutex_);
    return servicePeripheral_;
}

bool LeScannerConnection::isOwnPeripheral(const platform::Peripheral& peripheral) const {
    std::lock_guard lock(mutex_);
    return servicePeripheral_.get() == &peripheral;
}

std::shared_ptr<platform::Service> LeScannerConnection::myService() const {
    std::lock_guard lock(mutex_);
    return myService_;
}

bool LeScannerConnection::shouldWaitForCharacteristicStateUpdateToDisconnect() const {
    std::lock_guard lock(mutex_);
    return shouldWaitForCharacteristicStateUpdateToDisconnect_;
}

void LeScannerConnection::setWaitingForUnsubscription(bool waiting) {
    std::lock_guard lock(mutex_);
    shouldWaitForCharacteristicStateUpdateToDisconnect_ = waiting;
}

EventTimestamp& LeScannerConnection::scannerTimestampLocked(ScannerStamp which) {
    switch (which) {
        case ScannerStamp::LastUpdate:
            return lastUpdateTimestamp_;
        case ScannerStamp::LastDetect:
            return lastDetectTimestamp_;
        case ScannerStamp::StartedConnecting:
            break;
    }
    return startedConnectingTimestamp_;
}

EventTimestamp LeScannerConnection::scannerTimestamp(ScannerStamp which) const {
    std::lock_guard lock(mutex_);
    if (which == ScannerStamp::LastUpdate) return lastUpdateTimestamp_;
    if (which == ScannerStamp::LastDetect) return lastDetectTimestamp_;
    return startedConnectingTimestamp_;
}

void LeScannerConnection::triggerScannerTimestamp(ScannerStamp which) {
    std::lock_guard lock(mutex_);
    scannerTimestampLocked(which).eventTriggered();
}

void LeScannerConnection::resetScannerTimestamp(ScannerStamp which) {
    std::lock_guard lock(mutex_);
    scannerTimestampLocked(which).reset();
}

void LeScannerConnection::setIgnoreForceRestartConnectionAfterLongSleep(bool ignore) {
    std::lock_guard lock(mutex_);
    ignoreForceRestartConnectionAfterLongSleep_ = ignore;
}

bool LeScannerConnection::ignoreForceRestartConnectionAfterLongSleep() const {
    std::lock_guard lock(mutex_);
    return ignoreForceRestartConnectionAfterLongSleep_;
}

// What it answers -----------------------------------------------------------------------------------------

std::string LeScannerConnection::unId() const {
    std::string remote = connectionManager_->remoteUniqueIdentifier();
    return remote.empty() ? peripheralIdentifier() : remote;
}

std::optional<std::string> LeScannerConnection::serviceId() const {
    auto service = myService();
    if (!service) return std::nullopt;
    return CBUUIDManager::generateStringFromCBUUID(service->UUID().data());
}

std::string LeScannerConnection::peripheralIdentifier() const {
    auto target = peripheral();
    return target ? target->identifier() : std::string();
}

std::optional<platform::Number> LeScannerConnection::lastRSSI() const {
    std::lock_guard lock(mutex_);
    return myRSSI_;
}

void LeScannerConnection::setRSSI(const platform::Number& rssi) {
    std::lock_guard lock(mutex_);
    myRSSI_ = rssi;
}

bool LeScannerConnection::allCharacteristicsKnown() const {
    std::lock_guard lock(mutex_);
    return sendingCharacteristicPrimary_ && sendingCharacteristicSecondary_ && readingCharacteristic_ &&
           readingCharacteristicFast_;
}

bool LeScannerConnection::isConnected() const {
    auto target = peripheral();
    return target && target->state() == Peripheral::kConnected && allCharacteristicsKnown() &&
           scannerState() == kStateFullyConnected;
}

bool LeScannerConnection::isConnecting() const {
    auto target = peripheral();
    return target && target->state() == Peripheral::kConnecting;
}

bool LeScannerConnection::isInDisconectingProcess() const {
    return scannerState() == kStateDisconnecting;
}

EventTimestamp LeScannerConnection::inDisconnectTimestampValue() const {
    std::lock_guard lock(mutex_);
    return inDisconnectTimestamp_;
}

bool LeScannerConnection::readingCharacteristicNotifies() const {
    std::lock_guard lock(mutex_);
    return notifies(readingCharacteristic_) || notifies(readingCharacteristicFast_);
}

void LeScannerConnection::setKeepAliveInterval(int64_t seconds) {
    connectionManager_->setKeepAliveInterval(seconds);
}

void LeScannerConnection::sendString_onPrimaryChannel(const std::string& text, bool primary) {
    connectionManager_->sendString_onPrimaryChannel(text, primary);
}

void LeScannerConnection::updateRSSI() {
    if (auto target = peripheral()) target->readRSSI();
}

// States and timers ---------------------------------------------------------------------------------------

void LeScannerConnection::setScannerState(uint32_t state) {
    scannerState_.store(state);
    if (auto text = LEScannerStateHelper::scannerStateToString_forPeripheral(state, peripheralIdentifier()))
        platform::logf("%s", text->c_str());
    if (auto scanner = internalDelegate())
        scanner->scannerConnection_didUpdateState(shared_from_this(), state);
    if (!isTimedState(state)) {
        stopStateTimer();
        return;
    }
    bool longest = state == kStateSubscribing || state == kStateAuthenticating ||
                   DeviceSpecificConfig::shouldAlwaysUseLongestDisconnectTimerWhenStuck();
    startStateTimer(state, longest ? kLongStuckTimeout : kStuckTimeout);
}

std::shared_ptr<platform::Timer> LeScannerConnection::schedule(
    double seconds, std::function<void(LeScannerConnection&)> action) {
    std::weak_ptr<LeScannerConnection> weak = weak_from_this();
    return platform::RunLoop::main().performAfterDelay(seconds, [weak, action = std::move(action)] {
        if (auto self = weak.lock()) action(*self);
    });
}

void LeScannerConnection::replaceTimer(std::shared_ptr<platform::Timer> LeScannerConnection::*slot,
                                       std::shared_ptr<platform::Timer> timer) {
    std::shared_ptr<platform::Timer> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::move(this->*slot);
        this->*slot = std::move(timer);
    }
    if (previous) previous->invalidate();
}

void LeScannerConnection::startStateTimer(uint32_t state, double seconds) {
    replaceTimer(&LeScannerConnection::stateTimer_,
                 schedule(seconds, [state](LeScannerConnection& self) { self.stateTimerFired(state); }));
}

void LeScannerConnection::stopStateTimer() {
    replaceTimer(&LeScannerConnection::stateTimer_, nullptr);
}

void LeScannerConnection::stateTimerFired(uint32_t state) {
    if (scannerState() != state) return;
    if (auto scanner = internalDelegate())
        scanner->scannerConnection_didGetStuckInState(shared_from_this(), state);
}

void LeScannerConnection::startForceDisconnectTimer() {
    replaceTimer(
        &LeScannerConnection::forceDisconnectTimer_,
        schedule(kForceDisconnectDelay, [](LeScannerConnection& self) { self.forceDisconnectTimerFired(); }));
}

void LeScannerConnection::startSafetyTerminateTimer() {
    replaceTimer(&LeScannerConnection::safetyTerminateTimer_,
                 schedule(kSafetyTerminateDelay,
                          [](LeScannerConnection& self) { self.forceTerminateConnection(true); }));
}

void LeScannerConnection::stopTerminationTimers() {
    replaceTimer(&LeScannerConnection::safetyTerminateTimer_, nullptr);
    replaceTimer(&LeScannerConnection::forceDisconnectTimer_, nullptr);
}

void LeScannerConnection::forceDisconnectTimerFired() {
    {
        std::lock_guard lock(mutex_);
        if (!shouldWaitForCharacteristicStateUpdateToDisconnect_) return;
        shouldWaitForCharacteristicStateUpdateToDisconnect_ = false;
    }
    setScannerState(kStateDisconnecting);
    forceTerminateConnection(true);
}

// Connecting ------------------------------------------------------------------------------------------------

void LeScannerConnection::connect() {
    if (isConnected()) return;
    auto target = peripheral();
    if (!target || target->state() != Peripheral::kConnected) {
        if (auto scanner = internalDelegate())
            scanner->scannerConnection_performCommand(shared_from_this(),
                                                      LeScannerConnectionInternalDelegate::kCommandConnect);
        return;
    }
    discoverAndConnectServices();
}

void LeScannerConnection::didAttemptConnection() {
    setScannerState(kStateConnecting);
}

void LeScannerConnection::recovered() {}

void LeScannerConnection::connectionEstablished() {
    {
        std::lock_guard lock(mutex_);
        if (!connectionTimestamp_.moreSecondsElapsedSinceLastTrigger(kConnectionEstablishedSpacing)) return;
        connectionTimestamp_.eventTriggered();
    }
    stopTerminationTimers();
    setScannerState(kStateLinkConnected);
    discoverAndConnectServices();
}

void LeScannerConnection::discoverAndConnectServices() {
    auto self = shared_from_this();
    auto scanner = internalDelegate();
    if (!scanner || !scanner->scannerShouldScanForServicesAfterConnection(self)) return;
    if (!requireHandshake_) {
        notifyDelegateOfConnect();
        return;
    }
    connecionData_.resetData();
    {
        std::lock_guard lock(mutex_);
        sendingCharacteristicPrimary_.reset();
        sendingCharacteristicSecondary_.reset();
        readingCharacteristic_.reset();
        readingCharacteristicFast_.reset();
    }
    setScannerState(kStateDiscoveringServices);
    auto services = scanner->scannerConnectionGetArrayOfServices(self);
    auto target = peripheral();
    if (!target) return;
    if (scannerState() == kStateDiscoveringServices) {
        target->discoverServices(services);
    } else {
        target->discoverServices(std::nullopt);
    }
}

void LeScannerConnection::peripheral_didDiscoverServices(platform::Peripheral& peripheral,
                                                         const std::optional<platform::Error>& error) {
    if (!isOwnPeripheral(peripheral)) return;
    if (error) {
        disconnect(true);
        return;
    }
    auto self = shared_from_this();
    auto scanner = internalDelegate();
    auto services = peripheral.services();
    if (services.empty()) {
        bool hadService;
        {
            std::lock_guard lock(mutex_);
            hadService = myService_ != nullptr;
            myService_.reset();
        }
        if (hadService) {
            discoverAndConnectServices();
            return;
        }
        setScannerState(kStateNoAppropriateServices);
        if (scanner) scanner->scannerConnectionIsNotAnAppropriateConnection(self);
        return;
    }
    std::vector<BluetoothUUID> wanted;
    if (scanner) wanted = scanner->scannerConnectionGetArrayOfServices(self);
    std::shared_ptr<platform::Service> chosen;
    for (const auto& service : services) {
        if (std::find(wanted.begin(), wanted.end(), service->UUID()) != wanted.end()) {
            chosen = service;
            break;
        }
    }
    if (!chosen && scanner && scanner->scannerConnectionShouldAcceptAllServices(self)) {
        for (const auto& service : services) {
            if (CBUUIDManager::getTypeOfCBUUID(service->UUID().data()) < 2) {
                chosen = service;
                break;
            }
        }
    }
    if (chosen) {
        {
            std::lock_guard lock(mutex_);
            myService_ = chosen;
        }
        setScannerState(kStateDiscoveringCharacteristics);
        peripheral.discoverCharacteristics_forService(
            std::vector{readingUUID(), readingFastUUID(), primaryUUID(), secondaryUUID()}, chosen);
        return;
    }
    setScannerState(kStateNoAppropriateServices);
    if (scanner) scanner->scannerConnectionIsNotAnAppropriateConnection(self);
    if (services.size() > 3) {
        disconnect(true);
    } else if (scanner) {
        scanner->scannerConnectionDidDetectInappropriateServices(self);
    }
}

void LeScannerConnection::peripheral_didDiscoverCharacteristicsForService_error(
    platform::Peripheral& peripheral, const std::shared_ptr<platform::Service>& service,
    const std::optional<platform::Error>& error) {
    if (!isOwnPeripheral(peripheral)) return;
    if (error) {
        disconnect(true);
        return;
    }
    bool complete, primaryFound = false;
    std::shared_ptr<platform::Characteristic> reading;
    {
        std::lock_guard lock(mutex_);
        if (!service || service != myService_) return;
        for (const auto& characteristic : service->characteristics()) {
            const BluetoothUUID& uuid = characteristic->UUID();
            if (uuid == primaryUUID()) {
                sendingCharacteristicPrimary_ = characteristic;
                primaryFound = true;
            } else if (uuid == secondaryUUID()) {
                sendingCharacteristicSecondary_ = characteristic;
            } else if (uuid == readingUUID()) {
                readingCharacteristic_ = characteristic;
            } else if (uuid == readingFastUUID()) {
                readingCharacteristicFast_ = characteristic;
            }
        }
        complete = sendingCharacteristicPrimary_ && sendingCharacteristicSecondary_ &&
                   readingCharacteristic_ && readingCharacteristicFast_;
        reading = readingCharacteristic_;
    }
    if (primaryFound) frameSender_->resetDataToSend();
    if (!complete) {
        setScannerState(kStateNoAppropriateServices);
        if (auto scanner = internalDelegate())
            scanner->scannerConnectionIsNotAnAppropriateConnection(shared_from_this());
        return;
    }
    if (scannerState() != kStateSubscribing) setScannerState(kStateSubscribing);
    // The fast reading characteristic must be there but is never subscribed.
    if (peripheral.state() == Peripheral::kConnected)
        peripheral.setNotifyValue_forCharacteristic(true, reading);
}

void LeScannerConnection::peripheral_didUpdateNotificationStateForCharacteristic_error(
    platform::Peripheral& peripheral, const std::shared_ptr<platform::Characteristic>& characteristic,
    const std::optional<platform::Error>& error) {
    if (!isOwnPeripheral(peripheral)) return;
    if (error) {
        handleGeneralBleutoothError(*error);
        if (DeviceSpecificConfig::shouldMarkUpdateNotificationStateErrorAsUnsolvable()) {
            if (auto scanner = internalDelegate())
                scanner->scannerConnectionExperiencedUnsolvableError(shared_from_this());
        }
        disconnect(true);
    } else if (characteristic && characteristic->isNotifying()) {
        // The phone can now answer: the Mac opens the handshake.
        connectionManager_->sendConnectionRequest();
    }
    if (readingCharacteristicNotifies()) return;
    {
        std::lock_guard lock(mutex_);
        if (!shouldWaitForCharacteristicStateUpdateToDisconnect_) return;
        shouldWaitForCharacteristicStateUpdateToDisconnect_ = false;
    }
    if (DeviceSpecificConfig::shouldForceTerminateOnUnsubscriptions()) terminateConnection(true);
}

// Receiving -----------------------------------------------------------------------------------------------

void LeScannerConnection::peripheral_didUpdateValueForCharacteristic_error(
    platform::Peripheral& peripheral, const std::shared_ptr<platform::Characteristic>& characteristic,
    const std::optional<platform::Error>& error) {
    if (error) {
        handleGeneralBleutoothError(*error);
        return;
    }
    if (!characteristic) return;
    auto value = characteristic->value();
    if (!value) return;
    auto text = connecionData_.generateStringWithReceivedDataforCharacteristic_forPeripheral(
        *value, peripheral.identifier());
    if (text) connectionManager_->parseReveivedString(*text);
}

void LeScannerConnection::peripheral_didReadRSSI_error(platform::Peripheral&, const platform::Number& rssi,
                                                       const std::optional<platform::Error>& error) {
    if (error) return;
    handleRSSI(rssi);
}

void LeScannerConnection::peripheralDidUpdateRSSI_error(platform::Peripheral& peripheral,
                                                        const std::optional<platform::Error>& error) {
    if (error) return;
    if (auto rssi = peripheral.RSSI()) handleRSSI(*rssi);
}

void LeScannerConnection::handleRSSI(const platform::Number& rssi) {
    // The radio had no reading: the connection no longer counts as connected, but stays up.
    if (rssi.intValue() == kUnavailableRSSI) {
        setScannerState(kStateDisconnectingBecauseOfError);
        return;
    }
    onMainThread([self = shared_from_this(), rssi](LEScannerConnectionDelegate& delegate) {
        delegate.connection_didUpdateRSSI(self, rssi);
    });
}

void LeScannerConnection::peripheral_didModifyServices(
    platform::Peripheral& peripheral, const std::vector<std::shared_ptr<platform::Service>>& invalidated) {
    if (!isOwnPeripheral(peripheral)) return;
    bool act;
    {
        std::lock_guard lock(mutex_);
        act = servicesModifiedTimestamp_.moreSecondsElapsedSinceLastTrigger(kServicesModifiedSpacing);
        if (!act && myService_) {
            std::string mine = CBUUIDManager::generateStringFromCBUUID(myService_->UUID().data());
            for (const auto& service : invalidated)
                if (service && CBUUIDManager::generateStringFromCBUUID(service->UUID().data()) == mine)
                    act = true;
        }
        if (act) servicesModifiedTimestamp_.eventTriggered();
    }
    if (act) disconnect(true);
}

// Sending -------------------------------------------------------------------------------------------------

void LeScannerConnection::executeSend_onPrimaryChannel(const std::string& text, bool primary) {
    frameSender_->executeSend_onPrimaryChannel(text, primary);
}

void LeScannerConnection::finalizeMessageAndSendCoreData_onPrimaryChannel(platform::Data data, bool primary) {
    frameSender_->finalizeMessageAndSendCoreData_onPrimaryChannel(std::move(data), primary);
}

void LeScannerConnection::sendDataInChunks_onPrimaryChannel(const platform::Data& data, bool primary) {
    frameSender_->sendDataInChunks_onPrimaryChannel(data, primary);
}

void LeScannerConnection::resetDataToSend() {
    frameSender_->resetDataToSend();
}

uint64_t LeScannerConnection::lengthOfDataToSend() const {
    return frameSender_->lengthOfDataToSend();
}

bool LeScannerConnection::isLinkConnected() {
    auto target = peripheral();
    return target && target->state() == Peripheral::kConnected;
}

bool LeScannerConnection::hasSendingCharacteristic(bool primary) {
    std::lock_guard lock(mutex_);
    return primary ? sendingCharacteristicPrimary_ != nullptr : sendingCharacteristicSecondary_ != nullptr;
}

void LeScannerConnection::writeChunk(const platform::Data& chunk, bool primary) {
    std::shared_ptr<platform::Peripheral> target;
    std::shared_ptr<platform::Characteristic> characteristic;
    {
        std::lock_guard lock(mutex_);
        target = servicePeripheral_;
        characteristic = primary ? sendingCharacteristicPrimary_ : sendingCharacteristicSecondary_;
    }
    if (!target || !characteristic) return;
    target->writeValue_forCharacteristic_type(
        chunk, characteristic, primary ? Peripheral::kWriteWithResponse : Peripheral::kWriteWithoutResponse);
}

void LeScannerConnection::peripheral_didWriteValueForCharacteristic_error(
    platform::Peripheral&, const std::shared_ptr<platform::Characteristic>& characteristic,
    const std::optional<platform::Error>& error) {
    // The pending-bytes counter is the sender's, under its own lock; the error is handled without any
    // lock held, since it may end the connection.
    if (error) {
        handleGeneralBleutoothError(*error);
    } else if (characteristic) {
        frameSender_->didWriteValueForCharacteristic(characteristic->UUID().UUIDString());
    }
}

// The handshake's reports ---------------------------------------------------------------------------------

void LeScannerConnection::onMainThread(const std::function<void(LEScannerConnectionDelegate&)>& call) {
    auto target = delegate();
    if (!target) return;
    runOnMainThreadSync([target, call] { call(*target); });
}

void LeScannerConnection::didReceiveMessage(const std::string& message) {
    onMainThread([self = shared_from_this(), message](LEScannerConnectionDelegate& delegate) {
        delegate.connection_didReceiveString(self, message);
    });
}

void LeScannerConnection::didReceiveDiconnectReqeust() {
    disconnect(true);
}

void LeScannerConnection::didReceiveAuthRequest() {
    setScannerState(kStateAuthenticating);
    frameSender_->resetDataToSend();
}

void LeScannerConnection::didAuthenticate() {
    // The scanner hands the connection up on this state; the controller is its delegate from then on.
    setScannerState(kStateFullyConnected);
    connectionManager_->didFullyConnect();
    notifyDelegateOfConnect();
}

void LeScannerConnection::authenticationFailed() {
    setScannerState(kStateAuthenticationFailed);
    disconnect(true);
}

void LeScannerConnection::protocolVersionNotMatching(bool macMustUpdate) {
    std::weak_ptr<LeScannerConnectionInternalDelegate> scanner;
    {
        std::lock_guard lock(mutex_);
        scanner = delegateInternal_;
    }
    runOnMainQueueAsync([scanner, macMustUpdate] {
        if (auto target = scanner.lock()) target->protocolVersionNotMatching(macMustUpdate);
    });
}

void LeScannerConnection::canNotReceiveResponse() {
    if (isLinkConnected()) disconnect(true);
}

bool LeScannerConnection::allServicesDiscoveredAndUserAuthenticated() {
    return isConnected();
}

void LeScannerConnection::notifyDelegateOfConnect() {
    onMainThread([self = shared_from_this()](LEScannerConnectionDelegate& delegate) {
        delegate.connectionDidConnect(self);
    });
}

void LeScannerConnection::notifyDelegateOfDisconnect() {
    onMainThread([self = shared_from_this()](LEScannerConnectionDelegate& delegate) {
        delegate.connectionDidDisconnect(self);
    });
}

// Disconnecting -------------------------------------------------------------------------------------------

void LeScannerConnection::disconnectBecauseOfError() {
    setScannerState(kStateDisconnectingBecauseOfError);
    disconnect(true);
}

void LeScannerConnection::disconnect(bool notify) {
    if (scannerState() == kStateDisconnecting) {
        bool force;
        {
            std::lock_guard lock(mutex_);
            force =
                inDisconnectTimestamp_.moreSecondsElapsedSinceLastTrigger(kRepeatedDisconnectForceAfter) &&
                forceTerminateTimestamp_.moreSecondsElapsedSinceLastTrigger(kForcedTerminationSpacing);
        }
        if (force) forceTerminateConnection(true);
        return;
    }
    setScannerState(kStateDisconnecting);
    connectionManager_->preapareForDisconnect();
    {
        std::lock_guard lock(mutex_);
        inDisconnectTimestamp_.eventTriggered();
    }
    startForceDisconnectTimer();
    startSafetyTerminateTimer();
    stopStateTimer();

    auto target = peripheral();
    if (!target || target->state() != Peripheral::kConnected || !readingCharacteristicNotifies()) {
        setWaitingForUnsubscription(false);
        terminateConnection(notify);
        return;
    }
    setWaitingForUnsubscription(true);
    std::shared_ptr<platform::Characteristic> reading, readingFast;
    bool primaryKnown;
    {
        std::lock_guard lock(mutex_);
        reading = readingCharacteristic_;
        readingFast = readingCharacteristicFast_;
        primaryKnown = sendingCharacteristicPrimary_ != nullptr;
    }
    if (primaryKnown) connectionManager_->sendShutDownNotification();
    if (target->state() != Peripheral::kDisconnected &&
        !DeviceSpecificConfig::shouldKeepSubscriptionsOnDisconnect()) {
        if (notifies(reading)) {
            target->setNotifyValue_forCharacteristic(false, reading);
        } else if (notifies(readingFast)) {
            target->setNotifyValue_forCharacteristic(false, readingFast);
        }
    }
    if (DeviceSpecificConfig::shouldImmedatellyNotifiyDelegateOfDisconnect()) {
        if (auto scanner = internalDelegate())
            scanner->scannerConnection_performCommand(
                shared_from_this(), LeScannerConnectionInternalDelegate::kCommandCancelConnection);
    }
}

void LeScannerConnection::terminateConnection(bool notify) {
    if (shouldWaitForCharacteristicStateUpdateToDisconnect() && isLinkConnected()) return;
    forceTerminateConnection(notify);
}

void LeScannerConnection::forceTerminateConnection(bool notify) {
    auto target = peripheral();
    std::shared_ptr<platform::Characteristic> reading, readingFast;
    {
        std::lock_guard lock(mutex_);
        reading = readingCharacteristic_;
        readingFast = readingCharacteristicFast_;
    }
    if (target && (isConnected() || DeviceSpecificConfig::shouldCancelNotificationsWhileDisconnected())) {
        if (reading) target->setNotifyValue_forCharacteristic(false, reading);
        if (readingFast) target->setNotifyValue_forCharacteristic(false, readingFast);
    }
    stopTerminationTimers();
    {
        std::lock_guard lock(mutex_);
        inDisconnectTimestamp_.reset();
        forceTerminateTimestamp_.eventTriggered();
    }
    connectionManager_->cleanup();
    connecionData_.resetData();
    frameSender_->resetDataToSend();
    if (!notify) return;
    auto scanner = internalDelegate();
    if (!scanner) return;
    scanner->scannerConnection_performCommand(shared_from_this(),
                                              LeScannerConnectionInternalDelegate::kCommandCancelConnection);
    std::lock_guard lock(mutex_);
    delegateInternal_.reset();
}

void LeScannerConnection::connectionLost() {
    setScannerState(kStateLinkLost);
    disconnect(false);
    stopStateTimer();
    connectionManager_->cleanup();
    setWaitingForUnsubscription(false);
    notifyDelegateOfDisconnect();
}

// Errors ------------------------------------------------------------------------------------------------

void LeScannerConnection::handleGeneralBleutoothError(const platform::Error& error) {
    auto scanner = internalDelegate();
    if (error.domain == platform::BluetoothError::kAttributeDomain) {
        bool corrupted = error.code == platform::BluetoothError::kAttributeInsufficientAuthorization ||
                         (error.code == platform::BluetoothError::kAttributeInvalidHandle &&
                          scannerState() == kStateSubscribing);
        if (corrupted && scanner)
            scanner->scannerConnectionExperiencedCorruptedBluetoothCache(shared_from_this());
    } else if (error.domain == platform::BluetoothError::kDomain) {
        if (error.code == platform::BluetoothError::kInvalidParameters) {
            if (scanner) scanner->scannerConnectionExperiencedCorruptedBluetoothCache(shared_from_this());
        } else if (error.code == platform::BluetoothError::kUnknown &&
                   DeviceSpecificConfig::shouldForceTerminateOnUnknownError()) {
            forceTerminateConnection(true);
        }
    }
}

}  // namespace kestrune
