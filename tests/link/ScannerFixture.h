#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/transport/ConnectionFilter.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "link/transport/LEScannerConnectionDelegate.h"
#include "link/transport/LEScannerController.h"
#include "link/transport/LEScannerDelegate.h"
#include "link/transport/RecoveryManager.h"
#include "link/transport/ScanningIndicator.h"
#include "platform/base/Clock.h"
#include "platform/bluetooth/AdvertisementData.h"
#include "platform/sim/radio/PhonePeripheral.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/link/BluetoothFixture.h"

namespace scannertests {

inline void forgetLinkSwitches() {
    kestrune::DeviceSpecificConfig::removeOverridesForTesting();
    kestrune::RecoveryManager::resetSharedForTesting();
    kestrune::ScanningIndicator::resetSharedForTesting();
}
inline const bool kLinkSwitchesResetRegistered = (testsupport::addResetHook(&forgetLinkSwitches), true);

// The radio as the scanner's backend, with every request the scanner makes written down. It can also
// play a controller that is on while the LE central stays off, and one that never completes a
// cancellation (the peripheral stays as it was).
class RecordingBackend : public platform::BluetoothBackend {
public:
    struct Request {
        std::string what;
        std::string identifier;
        double time;
    };

    explicit RecordingBackend(std::shared_ptr<platform::Radio> radio) : radio_(std::move(radio)) {}

    std::atomic<int> controllerOverride{-1};  // -1: the radio's answer; 0 off; 1 on
    std::atomic<bool> swallowCancels{false};

    std::vector<Request> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    size_t count(const std::string& what, const std::string& identifier = "") const {
        return times(what, identifier).size();
    }
    std::vector<double> times(const std::string& what, const std::string& identifier = "") const {
        std::vector<double> found;
        for (const auto& request : requests())
            if (request.what == what && (identifier.empty() || request.identifier == identifier))
                found.push_back(request.time);
        return found;
    }
    // The connect and cancel requests in order ("connect:ID", "cancel:ID").
    std::vector<std::string> linkRequests() const {
        std::vector<std::string> found;
        for (const auto& request : requests())
            if (request.what == "connect" || request.what == "cancel")
                found.push_back(request.what + ":" + request.identifier);
        return found;
    }

    void centralManagerCreated(const std::shared_ptr<platform::CentralManager>& central) override {
        note("created", "");
        radio_->centralManagerCreated(central);
    }
    void centralManagerDestroyed(const platform::CentralManager* central) override {
        radio_->centralManagerDestroyed(central);
    }
    void scan(platform::CentralManager& central,
              const std::optional<std::vector<platform::BluetoothUUID>>& services,
              const platform::ScanOptions& options) override {
        note(services ? "scan:services" : "scan:all", "");
        radio_->scan(central, services, options);
    }
    void stopScan(platform::CentralManager& central) override { radio_->stopScan(central); }
    bool isScanning(const platform::CentralManager& central) const override {
        return radio_->isScanning(central);
    }
    void connect(platform::CentralManager& central,
                 const std::shared_ptr<platform::Peripheral>& peripheral) override {
        note("connect", peripheral->identifier());
        radio_->connect(central, peripheral);
    }
    void cancelConnection(platform::CentralManager& central,
                          const std::shared_ptr<platform::Peripheral>& peripheral) override {
        note("cancel", peripheral->identifier());
        if (!swallowCancels) radio_->cancelConnection(central, peripheral);
    }
    std::vector<std::shared_ptr<platform::Peripheral>> retrievePeripherals(
        platform::CentralManager& central, const std::vector<std::string>& identifiers) override {
        note("retrieve", "");
        return radio_->retrievePeripherals(central, identifiers);
    }
    std::vector<std::shared_ptr<platform::Peripheral>> retrieveConnectedPeripherals(
        platform::CentralManager& central, const std::vector<platform::BluetoothUUID>& services) override {
        note("retrieveConnected", "");
        return radio_->retrieveConnectedPeripherals(central, services);
    }
    void discoverServices(platform::Peripheral& peripheral,
                          const std::optional<std::vector<platform::BluetoothUUID>>& services) override {
        radio_->discoverServices(peripheral, services);
    }
    void discoverCharacteristics(
        platform::Peripheral& peripheral, const std::shared_ptr<platform::Service>& service,
        const std::optional<std::vector<platform::BluetoothUUID>>& characteristics) override {
        radio_->discoverCharacteristics(peripheral, service, characteristics);
    }
    void setNotifyValue(platform::Peripheral& peripheral,
                        const std::shared_ptr<platform::Characteristic>& characteristic,
                        bool enabled) override {
        radio_->setNotifyValue(peripheral, characteristic, enabled);
    }
    void writeValue(platform::Peripheral& peripheral,
                    const std::shared_ptr<platform::Characteristic>& characteristic,
                    const platform::Data& value, bool withResponse) override {
        radio_->writeValue(peripheral, characteristic, value, withResponse);
    }
    void readRSSI(platform::Peripheral& peripheral) override {
        note("readRSSI", peripheral.identifier());
        radio_->readRSSI(peripheral);
    }
    bool controllerPowerState() override {
        int fixed = controllerOverride.load();
        return fixed < 0 ? radio_->controllerPowerState() : fixed == 1;
    }
    void setControllerPowerState(bool on) override { radio_->setControllerPowerState(on); }

private:
    void note(const std::string& what, const std::string& identifier) {
        std::lock_guard lock(mutex_);
        requests_.push_back({what, identifier, platform::Clock::now()});
    }

    std::shared_ptr<platform::Radio> radio_;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
};

// The connection controller's place: what the scanner reports (with the peripheral identifier), the
// answers to its questions, and whether a report came off the main thread. Like the controller, it
// becomes the delegate of every connection handed up.
class RecordingDelegate : public kestrune::LEScannerDelegate,
                          public kestrune::LEScannerConnectionDelegate,
                          public std::enable_shared_from_this<RecordingDelegate> {
public:
    std::atomic<bool> ignoreAll{false};
    std::atomic<bool> proceed{true};
    // Answer the two questions as the connection controller does, through the connection filter.
    std::atomic<bool> answerThroughFilter{false};

    std::vector<std::string> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    size_t count(const std::string& event) const {
        size_t n = 0;
        for (const auto& seen : events())
            if (seen == event) ++n;
        return n;
    }
    std::vector<std::string> errors() const {
        std::vector<std::string> found;
        for (const auto& event : events())
            if (event.rfind("error:", 0) == 0) found.push_back(event);
        return found;
    }
    bool reportedOffMainThread() const { return offMain_; }
    std::atomic<int> questions{0};

    void scanner_didExperienceError_forConnection(
        kestrune::LEScanner&, int64_t error,
        const std::shared_ptr<kestrune::LEScannerConnectionInterface>& connection) override {
        note("error:" + std::to_string(error) + (connection ? ":" + connection->peripheralIdentifier() : ""));
    }
    void scanner_didDetect_withRSSI(kestrune::LEScanner&,
                                    const std::shared_ptr<kestrune::LEScannerConnectionInterface>& connection,
                                    const platform::Number& RSSI) override {
        note("detect:" + connection->peripheralIdentifier() + ":" + RSSI.stringValue());
    }
    void scanner_didDiscover_withRSSI(
        kestrune::LEScanner&, const std::shared_ptr<kestrune::LEScannerConnectionInterface>& connection,
        const std::optional<platform::Number>&) override {
        connection->setDelegate(weak_from_this());
        note("discover:" + connection->peripheralIdentifier());
    }
    bool scannerShouldIgnoreAllDiscoveredConnections(kestrune::LEScanner&) override {
        ++questions;
        if (answerThroughFilter)
            return kestrune::ConnectionFilter::scannerShouldIgnoreAllDiscoveredConnections(nullptr);
        return ignoreAll;
    }
    bool scannerShouldProceedWithConnectingTo(
        const std::shared_ptr<kestrune::LEScannerConnectionInterface>& connection) override {
        ++questions;
        if (answerThroughFilter)
            return kestrune::ConnectionFilter::scannerShouldProceedWithConnectingTo(connection);
        return proceed;
    }
    void scannerIsOnAndReady() override { note("ready"); }
    void protocolVersionNotMatching(bool macMustUpdate) override {
        std::lock_guard lock(mutex_);
        events_.push_back(std::string("version:") + (macMustUpdate ? "1" : "0"));
    }

    // LEScannerConnectionDelegate
    void connection_didReceiveString(const std::shared_ptr<kestrune::LeScannerConnection>&,
                                     const std::string&) override {}
    void connection_didUpdateRSSI(const std::shared_ptr<kestrune::LeScannerConnection>&,
                                  const platform::Number&) override {}
    void connectionDidConnect(const std::shared_ptr<kestrune::LeScannerConnection>&) override {}
    void connectionDidDisconnect(const std::shared_ptr<kestrune::LeScannerConnection>& connection) override {
        note("disconnected:" + connection->peripheralIdentifier());
    }

private:
    void note(const std::string& event) {
        if (!platform::isMainThread()) offMain_ = true;
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::atomic<bool> offMain_{false};
};

// A fresh radio behind the recording backend, a scanner accepting "B4C1" whose central is powered on,
// and a recording delegate in the connection controller's place. Advertisements are handed to the
// scanner on its own queue, as its central would, at the moment a test chooses.
class ScannerFixture : public recordtests::DataManagerFixture {
protected:
    static constexpr const char* kService = "B4C1";

    void SetUp() override {
        DataManagerFixture::SetUp();
        radio = platform::Radio::shared();
        backend = std::make_shared<RecordingBackend>(radio);
        platform::BluetoothBackend::install(backend);
        delegate = std::make_shared<RecordingDelegate>();
        scanner = kestrune::LEScannerController::initWithDelegate(delegate);
        scanner->setServiceUUIDsToSearchFor({kService});
        advance(0.1);
    }
    void TearDown() override {
        runUntilIdle();
        scanner.reset();
        runUntilIdle();
        delegate.reset();
        DataManagerFixture::TearDown();
    }

    static platform::BluetoothUUID uuid(const char* text) { return platform::BluetoothUUID::constant(text); }
    static platform::Value servicesValue(std::vector<platform::BluetoothUUID> services) {
        platform::Value::Array list;
        for (const auto& service : services) list.push_back(platform::Value(service.data()));
        return platform::Value(list);
    }
    static std::string identifierFor(int n) {
        char text[40];
        std::snprintf(text, sizeof text, "00000000-0000-4000-8000-%012d", n);
        return text;
    }

    // A device that serves the service and answers discovery; silent unless a test advertises for it.
    std::shared_ptr<platform::SimulatedPeripheral> addDevice(const std::string& identifier,
                                                             const char* service = kService) {
        auto device = std::make_shared<platform::SimulatedPeripheral>(identifier);
        device->setAdvertising(false);
        device->setServices({{uuid(service), {}}});
        radio->addPeripheral(device);
        return device;
    }
    // The scripted phone, serving and advertising the service.
    std::shared_ptr<platform::PhonePeripheral> addPhone(const std::string& identifier) {
        auto phone = std::make_shared<platform::SimulatedPhone>();
        auto device = platform::PhonePeripheral::create(phone, {uuid(kService)}, identifier);
        radio->addPeripheral(device);
        return device;
    }
    // What the phone application advertises.
    static platform::Value::Dictionary phoneAdvertisement() {
        return {{platform::AdvertisementData::kLocalName, platform::Value("Kestrune")},
                {platform::AdvertisementData::kServiceUUIDs, servicesValue({uuid(kService)})},
                {platform::AdvertisementData::kIsConnectable, platform::Value(1)}};
    }
    static platform::Value::Dictionary servicesAdvertisement(const char* service) {
        return {{platform::AdvertisementData::kServiceUUIDs, servicesValue({uuid(service)})}};
    }

    std::shared_ptr<platform::Peripheral> peripheralFor(const std::string& identifier) {
        auto found = scanner->centralManager()->retrievePeripheralsWithIdentifiers({identifier});
        return found.empty() ? nullptr : found.front();
    }
    // The scanner's central hears the advertisement now; the scanner has judged it when this returns.
    void advertise(const std::string& identifier, const platform::Value::Dictionary& data, int rssi = -50) {
        auto peripheral = peripheralFor(identifier);
        ASSERT_TRUE(peripheral) << identifier;
        scanner->centralManager()->deliver(
            [peripheral, data, rssi](platform::CentralManagerDelegate& receiver,
                                     platform::CentralManager& central) {
                receiver.centralManager_didDiscoverPeripheral_advertisementData_RSSI(
                    central, peripheral, data, platform::Number(rssi));
            });
        advance(0);
    }
    std::shared_ptr<kestrune::LeScannerConnection> connectionFor(const std::string& identifier) {
        return scanner->connectionForPeripheral(peripheralFor(identifier));
    }
    // The phone found, connected and authenticated, and made the main connection.
    std::shared_ptr<kestrune::LeScannerConnection> connectPhone(const std::string& identifier,
                                                                bool cache = true) {
        addPhone(identifier);
        advertise(identifier, phoneAdvertisement());
        advance(1.5);
        auto connection =
            std::dynamic_pointer_cast<kestrune::LeScannerConnection>(scanner->connectionForUnID(identifier));
        if (connection && cache) scanner->cachePeripheralWithUUID(identifier);
        advance(0);
        return connection;
    }
    uint32_t ignoredFor(const std::string& identifier) {
        auto list = scanner->ignoreManager().peripheralsToIgnore();
        auto found = list.find(identifier);
        return found == list.end() ? 99 : found->second->ignoreReason();
    }
    int64_t offences(const std::string& identifier) {
        auto list = scanner->ignoreManager().peripheralsToBeAddedOnIgnoreList();
        auto found = list.find(identifier);
        return found == list.end() ? 0 : found->second->numberOfTimesIgnored();
    }

    std::shared_ptr<platform::Radio> radio;
    std::shared_ptr<RecordingBackend> backend;
    std::shared_ptr<RecordingDelegate> delegate;
    std::shared_ptr<kestrune::LEScannerController> scanner;
};

}  // namespace scannertests
