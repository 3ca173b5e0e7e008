#include "link/transport/ConnectionController.h"

#include <cstdlib>

#include "app/records/DeviceUser.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/PairingInfo.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "link/message/KestruneMessageEncoderDecoder.h"
#include "link/message/Message.h"
#include "link/transport/AccountServices.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/CBUUIDManager.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "link/transport/LeScannerConnection.h"
#include "link/transport/RecoveryManager.h"
#include "link/transport/ScanningIndicator.h"
#include "link/transport/SilentPushNotificationManager.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

namespace {

// The magnitude of a reading: the phone's distance grows with it.
platform::Number magnitudeOf(const platform::Number& rssi) {
    return platform::Number(std::llabs(rssi.longLongValue()));
}

std::string idText(const std::shared_ptr<MobileDevice>& device) {
    return device && device->unId() ? *device->unId() : std::string("(none)");
}

}  // namespace

std::shared_ptr<ConnectionController> ConnectionController::init() {
    auto self = std::shared_ptr<ConnectionController>(new ConnectionController());
    self->messageEncoderDecoder_.setSeparator(MessageEncoderDecoder::kApplicationSeparator);
    self->messageEncoderDecoder_.setClassInjection(std::make_shared<KestruneMessageEncoderDecoder>());
    self->lEScannerManager_ = LEScannerController::initWithDelegate(self->weak_from_this());
    self->scanController_ = std::make_unique<ScanIntervalController>();
    self->scanController_->setDelegate(self.get());
    self->observeOnMain(RecoveryManager::kRecoveryUpdateNotification, &ConnectionController::executeScan);
    self->observeOnMain(BluetoothLE::kOnAndReadyChangedStateNotification,
                        &ConnectionController::bleTurnedOnAndReadyUpdate);
    self->observeOnMain(BluetoothLE::kChangedStateNotification,
                        &ConnectionController::bleTurnedOnAndReadyUpdate);
    std::weak_ptr<ConnectionController> weak = self;
    platform::RunLoop::main().performAfterDelay(kInitialScanDelay, [weak] {
        if (auto controller = weak.lock()) controller->startInitalScanning();
    });
    return self;
}

ConnectionController::~ConnectionController() {
    observations_.clear();
    // The scan timer calls this object; it goes first.
    scanController_.reset();
}

void ConnectionController::observeOnMain(const char* name, void (ConnectionController::*step)()) {
    std::weak_ptr<ConnectionController> weak = weak_from_this();
    observations_.push_back(platform::NotificationCenter::defaultCenter().addObserver(
        name, nullptr, [weak, step](const platform::Notification&) {
            auto run = [weak, step] {
                if (auto self = weak.lock()) ((*self).*step)();
            };
            if (platform::isMainThread())
                run();
            else
                runOnMainQueueAsync(run);
        }));
}

void ConnectionController::setSilentPushSender(std::shared_ptr<SilentPushSender> sender) {
    silentPushSender_ = std::move(sender);
}

// Start-up and Bluetooth state ---------------------------------------------------------------------------

void ConnectionController::startInitalScanning() {
    if (!Bluetooth::bluetoothLESupported()) return;
    updatePeriodicScanInterval();
    std::weak_ptr<ConnectionController> weak = weak_from_this();
    platform::RunLoop::main().performAfterDelay(kClearIgnoreListDelay, [weak] {
        if (auto self = weak.lock()) self->lEScannerManager_->clearPeripheralIgnoreList();
    });
}

void ConnectionController::bleTurnedOnAndReadyUpdate() {
    updatePeriodicScanInterval();
    if (BluetoothLE::shared().bluetoothLEIsOnAndReady())
        executeScan();
    else
        disconnectFromAllMobileDevicesImmediate(true);
}

// Scanning -------------------------------------------------------------------------------------------------

uint32_t ConnectionController::currentConnectionState() {
    auto& data = DataManager::shared();
    if (data.getTrackingMobileDevice())
        return ConnectionFilter::isConnectedToTrackingConnection(trackingConnection())
                   ? kStateTrackedConnected
                   : kStateTrackedNotConnected;
    return data.pairingMobileDevice() ? kStatePairing : kStateNoPhone;
}

std::shared_ptr<LEScannerConnectionInterface> ConnectionController::trackingConnection() {
    return connectionForDevice(DataManager::shared().getTrackingMobileDevice());
}

std::vector<std::string> ConnectionController::serviceListForState(uint32_t state) {
    std::vector<std::string> services;
    bool recovery = RecoveryManager::shared().isInRecoveryMode();
    if (state == kStateNoPhone) {
        ScanningIndicator::shared().startTimer();
    } else if (state == kStateTrackedNotConnected) {
        auto settings = DataManager::shared().getTrackingSettings();
        if (settings && settings->pairingInfo()) {
            if (auto first = settings->pairingInfo()->foregroundServiceId()) services.push_back(*first);
            if (auto second = settings->pairingInfo()->foregroundServiceId2()) services.push_back(*second);
        }
    } else {
        return services;
    }
    if (recovery) {
        services.push_back(kPairingServiceId);
        services.push_back(kPairingServiceIdAlternative);
    }
    return services;
}

void ConnectionController::executeScan() {
    auto tracking = trackingConnection();
    if (connectionFilter_.shouldUpdateRSSIForConnection(tracking)) {
        connectionFilter_.didUpdateRSSI();
        readRSSI_intense(DataManager::shared().getTrackingMobileDevice(), false);
    }
    if (ConnectionFilter::shouldTemporaryStopScanningForCurrentTrackingConnection(tracking)) {
        stopScanningWithBluetooth();
        return;
    }
    auto services = serviceListForState(currentConnectionState());
    if (services.empty()) {
        stopScanningWithBluetooth();
        return;
    }
    lEScannerManager_->setServiceUUIDsToSearchFor(services);
    lEScannerManager_->executeSingleScan();
}

void ConnectionController::stopScanningWithBluetooth() {
    if (lEScannerManager_->isScanning()) lEScannerManager_->stopScanning();
}

void ConnectionController::startTemporaryIntensiveScan() {
    scanController_->startIntenseScanTimerWithDurationInSeconds(kTemporaryIntenseScanSeconds);
}

void ConnectionController::updatePeriodicScanInterval() {
    scanController_->updateScanTimerIntervalIfNeeded();
}

void ConnectionController::scanIntervalControllerExecuteScan(ScanIntervalController&) {
    executeScan();
}

bool ConnectionController::scanIntervalControllerShouldScanVeryIntensively(ScanIntervalController&) {
    return ConnectionFilter::isConnectedToTrackingConnection(trackingConnection());
}

// Phones and their connections --------------------------------------------------------------------------

std::shared_ptr<MobileDevice> ConnectionController::deviceForConnection(
    const std::shared_ptr<LEScannerConnectionInterface>& connection) {
    if (!connection) return nullptr;
    auto model = DataManager::shared().getSavedDataModel();
    if (!model || !model->dictOfAllMobileDevice()) return nullptr;
    auto found = model->dictOfAllMobileDevice()->find(connection->unId());
    return found == model->dictOfAllMobileDevice()->end() ? nullptr : found->second;
}

std::shared_ptr<LEScannerConnectionInterface> ConnectionController::connectionForDevice(
    const std::shared_ptr<MobileDevice>& device) const {
    if (!device || !device->unId()) return nullptr;
    auto found = dictOfConnections_.find(*device->unId());
    return found == dictOfConnections_.end() ? nullptr : found->second;
}

std::optional<std::string> ConnectionController::peripheralOfDevice(
    const std::shared_ptr<MobileDevice>& device) const {
    auto connection = connectionForDevice(device);
    if (!connection) {
        platform::logf("Phone %s has no connection; its peripheral is unknown", idText(device).c_str());
        return std::nullopt;
    }
    return connection->peripheralIdentifier();
}

void ConnectionController::setConnected(const std::shared_ptr<MobileDevice>& device, bool connected) {
    if (!device) return;
    if (!device->mobileDeviceConnectionInfo())
        device->setMobileDeviceConnectionInfo(MobileDeviceConnectionInfo::init());
    device->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(connected));
    ConnectionFilter::publishScannerAnswers();
}

// Scanner reports -------------------------------------------------------------------------------------------

void ConnectionController::scanner_didExperienceError_forConnection(
    LEScanner&, int64_t error, const std::shared_ptr<LEScannerConnectionInterface>&) {
    switch (error) {
        case kErrorStuckDisconnecting: {
            bool trackedConnected = ConnectionFilter::isConnectedToTrackingConnection(trackingConnection());
            if (!trackedConnected && !DataManager::shared().pairingMobileDevice())
                lEScannerManager_->cleanupAllConnections();
            break;
        }
        case kErrorConnectFailed:
            dictOfConnections_.clear();
            break;
        case kErrorFatalLink:
            if (delegate_)
                delegate_->connectionController_didExperienceError(
                    *this, ConnectionControllerDelegate::kErrorFatalLink);
            break;
        case kErrorCorruptedBluetoothCache:
            if (delegate_)
                delegate_->connectionController_didExperienceError(
                    *this, ConnectionControllerDelegate::kErrorCorruptedBluetoothCache);
            break;
        default:
            platform::logf("Scanner error %lld is not handled", static_cast<long long>(error));
    }
}

void ConnectionController::scanner_didDetect_withRSSI(
    LEScanner&, const std::shared_ptr<LEScannerConnectionInterface>& connection,
    const platform::Number& RSSI) {
    auto device = deviceForConnection(connection);
    if (!device) {
        platform::logf("A signal reading of a phone without a stored record is ignored");
        return;
    }
    if (delegate_)
        delegate_->connectionController_didUpdateRSSI_forMobileDevice(*this, magnitudeOf(RSSI), device);
}

void ConnectionController::scanner_didDiscover_withRSSI(
    LEScanner&, const std::shared_ptr<LEScannerConnectionInterface>& connection,
    const std::optional<platform::Number>&) {
    if (!connection) return;
    dictOfConnections_[connection->unId()] = connection;
    connection->setDelegate(weak_from_this());
    connection->connect();
}

bool ConnectionController::scannerShouldIgnoreAllDiscoveredConnections(LEScanner& scanner) {
    return ConnectionFilter::scannerShouldIgnoreAllDiscoveredConnections(&scanner);
}

bool ConnectionController::scannerShouldProceedWithConnectingTo(
    const std::shared_ptr<LEScannerConnectionInterface>& connection) {
    return ConnectionFilter::scannerShouldProceedWithConnectingTo(connection);
}

void ConnectionController::scannerIsOnAndReady() {
    executeScan();
}

void ConnectionController::protocolVersionNotMatching(bool macMustUpdate) {
    auto report = [weak = weak_from_this(), macMustUpdate] {
        auto self = weak.lock();
        if (self && self->delegate_)
            self->delegate_->connectionController_protocolVersionNotMatching(*self, macMustUpdate);
    };
    // The scanner may report this from any thread; the request dispatcher lives on the main one.
    if (platform::isMainThread())
        report();
    else
        runOnMainQueueAsync(report);
}

// Connection reports
// ------------------------------------------------------------------------------------------

void ConnectionController::connectionDidConnect(const std::shared_ptr<LeScannerConnection>& connection) {
    if (!connection) return;
    std::string unId = connection->unId();
    platform::logf("Connected to: %s", unId.c_str());
    auto& data = DataManager::shared();
    auto model = data.getSavedDataModel();
    if (!model) return;
    auto& devices = model->dictOfAllMobileDevice();
    auto& allSettings = model->dictOfMobileDeviceSettings();
    if (!devices) devices.emplace();
    if (!allSettings) allSettings.emplace();
    auto& device = (*devices)[unId];
    if (!device) device = MobileDevice::initWithUnId(unId);
    // A phone stored without its settings gets new ones, as a new phone does, rather than a connection
    // nothing can be decided for.
    auto& settings = (*allSettings)[unId];
    if (!settings) {
        auto accounts = AccountServices::current();
        auto users = accounts->getAllMacUsers();
        auto user = users.find(accounts->getCurrentLogedInUsername());
        settings = MobileSettings::initWithUnId_andDeviceUser(
            unId, user == users.end() || !user->second ? DeviceUser::init() : user->second);
        settings->pairingInfo()->setForegroundServiceId(CBUUIDManager::generateStringForType(1));
    }
    if (!settings->pairingInfo()) settings->setPairingInfo(PairingInfo::init());
    // The second identifier changes at every connection.
    settings->pairingInfo()->setForegroundServiceId2(CBUUIDManager::generateStringForType(1));
    auto phone = device;
    dictOfConnections_[unId] = connection;
    setConnected(phone, true);
    data.saveCurrentDataModel();
    if (delegate_) delegate_->connectionController_didConnectToMobileDevice(*this, phone);
}

void ConnectionController::connectionDidDisconnect(const std::shared_ptr<LeScannerConnection>& connection) {
    if (!connection) return;
    auto found = dictOfConnections_.find(connection->unId());
    // A newer connection of the same phone stays; only this one leaves.
    if (found != dictOfConnections_.end() && found->second.get() == connection.get())
        dictOfConnections_.erase(found);
    auto device = deviceForConnection(connection);
    if (device && device->mobileDeviceConnectionInfo() &&
        device->mobileDeviceConnectionInfo()->isConnected().value_or(false).boolValue()) {
        setConnected(device, false);
        if (auto local = DataManager::shared().localSettingsForDevice(device->unId()))
            local->deviceDidDisconnect();
        if (delegate_) delegate_->connectionController_didDisconnectFromMobileDevice(*this, device);
        executeScan();
    }
    updatePeriodicScanInterval();
}

void ConnectionController::connection_didReceiveString(const std::shared_ptr<LeScannerConnection>& connection,
                                                       const std::string& text) {
    auto message = messageEncoderDecoder_.decodeMessage(text);
    auto device = deviceForConnection(connection);
    if (!device) {
        platform::logf("A message from a phone without a stored record is ignored");
        return;
    }
    setConnected(device, true);
    if (delegate_) delegate_->connectionController_didReceiveMessage_fromMobileDevice(*this, message, device);
}

void ConnectionController::connection_didUpdateRSSI(const std::shared_ptr<LeScannerConnection>& connection,
                                                    const platform::Number& rssi) {
    auto device = deviceForConnection(connection);
    if (!device) {
        platform::logf("A signal reading of a phone without a stored record is ignored");
        return;
    }
    setConnected(device, true);
    if (delegate_)
        delegate_->connectionController_didUpdateRSSI_forMobileDevice(*this, magnitudeOf(rssi), device);
}

// Operations for the request dispatcher ------------------------------------------------------------------

bool ConnectionController::sendMessage_toMobileDevice_useRemoteChannelIfNeeded(
    const Message& message, const std::shared_ptr<MobileDevice>& device, bool useRemote) {
    std::string text = messageEncoderDecoder_.encodeMessage(message);
    auto connection = connectionForDevice(device);
    if (connection && connection->isConnected()) {
        connection->sendString_onPrimaryChannel(text, true);
        return true;
    }
    if (useRemote) {
        if (silentPushSender_)
            silentPushSender_->sendSilentPushToMobileDevice_withString(device, text);
        else
            SilentPushNotificationManager::shared().sendSilentPushToMobileDevice_withString(device, text);
        return true;
    }
    return false;
}

void ConnectionController::sendMessageToAllConnectedMobileDevices(const Message& message) {
    std::string text = messageEncoderDecoder_.encodeMessage(message);
    for (const auto& [unId, connection] : dictOfConnections_)
        if (connection && connection->isConnected()) connection->sendString_onPrimaryChannel(text, true);
}

void ConnectionController::readRSSI_intense(const std::shared_ptr<MobileDevice>& device, bool intense) {
    auto connection = connectionForDevice(device);
    if (!connection || !connection->isConnected()) return;
    int reads = intense && DeviceSpecificConfig::callUpdateRSSITwiceForFasterResponse() ? 3 : 1;
    for (int i = 0; i < reads; ++i) connection->updateRSSI();
}

void ConnectionController::didConnectAndSyncWithOnlyAcceptableConnection() {
    ScanningIndicator::shared().stopTimer();
    ignoreAndDisconnectAllNonTrackingConnections();
    cacheConnectedConnections();
    updatePeriodicScanInterval();
}

void ConnectionController::ignoreAndDisconnectAllNonTrackingConnections() {
    auto tracked = DataManager::shared().getTrackingMobileDevice();
    if (tracked && tracked->unId()) {
        std::vector<std::shared_ptr<LEScannerConnectionInterface>> others;
        for (const auto& [unId, connection] : dictOfConnections_)
            if (unId != *tracked->unId() && connection) others.push_back(connection);
        for (const auto& connection : others) {
            lEScannerManager_->ignorePeripheralWithUUID_forReason(connection->peripheralIdentifier(),
                                                                  LEScanner::kIgnorePermanently);
            lEScannerManager_->removeCachedPeripheralWithUUID(connection->peripheralIdentifier());
        }
    }
    setKeepAliveInterval_forDevice(kTrackedPhoneKeepAliveInterval, tracked);
}

void ConnectionController::cacheConnectedConnections() {
    if (auto connection = trackingConnection())
        lEScannerManager_->cachePeripheralWithUUID(connection->peripheralIdentifier());
}

void ConnectionController::disconnectFromAllMobileDevicesImmediate(bool immediate) {
    lEScannerManager_->clearDevicesForced(immediate);
    updatePeriodicScanInterval();
}

void ConnectionController::blacklistDevicePermanently(const std::shared_ptr<MobileDevice>& device) {
    auto peripheral = peripheralOfDevice(device);
    if (!peripheral) return;
    lEScannerManager_->ignorePeripheralWithUUID_forReason(*peripheral, LEScanner::kIgnorePermanently);
    lEScannerManager_->removeCachedPeripheralWithUUID(*peripheral);
}

void ConnectionController::blacklistDeviceTemporary(const std::shared_ptr<MobileDevice>& device) {
    if (auto peripheral = peripheralOfDevice(device))
        lEScannerManager_->ignorePeripheralWithUUID_forReason(*peripheral, LEScanner::kIgnoreTemporarily);
}

void ConnectionController::removeDeviceFromBlacklist(const std::shared_ptr<MobileDevice>& device) {
    if (auto connection = connectionForDevice(device))
        lEScannerManager_->removePeripheralFromIgnoreList(connection->peripheralIdentifier());
}

void ConnectionController::clearTemporaryBlacklist() {
    lEScannerManager_->cleanPeripheralsForIgnoreReason(LEScanner::kIgnoreTemporarily);
}

void ConnectionController::clearBlacklist() {
    lEScannerManager_->clearPeripheralIgnoreList();
}

void ConnectionController::whitelistDevice(const std::shared_ptr<MobileDevice>& device) {
    if (auto peripheral = peripheralOfDevice(device)) lEScannerManager_->cachePeripheralWithUUID(*peripheral);
}

void ConnectionController::clearWhitelist() {
    lEScannerManager_->removeAllCachedConnections();
}

void ConnectionController::setKeepAliveInterval_forDevice(int64_t seconds,
                                                          const std::shared_ptr<MobileDevice>& device) {
    if (auto connection = connectionForDevice(device)) connection->setKeepAliveInterval(seconds);
}

}  // namespace kestrune
