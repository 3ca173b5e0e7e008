#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/shell/ThreadHelpers.h"
#include "link/transport/LeScannerConnection.h"
#include "platform/base/Clock.h"
#include "platform/base/DispatchQueue.h"
#include "platform/bluetooth/CentralManager.h"

namespace connectiontests {

// The connection controller's side: what reached it, and whether anything came off the main thread.
class ControllerStandIn : public kestrune::LEScannerConnectionDelegate {
public:
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
    bool calledOffMainThread() const { return offMain_; }

    void connection_didReceiveString(const std::shared_ptr<kestrune::LeScannerConnection>&,
                                     const std::string& text) override {
        note("message:" + text);
    }
    void connection_didUpdateRSSI(const std::shared_ptr<kestrune::LeScannerConnection>&,
                                  const platform::Number& rssi) override {
        note("rssi:" + rssi.stringValue());
    }
    void connectionDidConnect(const std::shared_ptr<kestrune::LeScannerConnection>&) override {
        note("connected");
    }
    void connectionDidDisconnect(const std::shared_ptr<kestrune::LeScannerConnection>&) override {
        note("disconnected");
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

// The part of the scanner a connection relies on: a central manager on its own serial queue that
// connects and cancels on the connection's commands and reports the link going up and down; the
// connection's reports are written down, and the scanner's usual answers given (a stuck or unsuitable
// connection is disconnected, a fully connected one handed to the controller).
class ScannerStandIn : public platform::CentralManagerDelegate,
                       public kestrune::LeScannerConnectionInternalDelegate,
                       public std::enable_shared_from_this<ScannerStandIn> {
public:
    struct StateChange {
        uint32_t state;
        double time;
    };

    static std::shared_ptr<ScannerStandIn> create(std::vector<platform::BluetoothUUID> services,
                                                  std::shared_ptr<ControllerStandIn> controller) {
        auto scanner = std::make_shared<ScannerStandIn>();
        scanner->services_ = std::move(services);
        scanner->controller_ = std::move(controller);
        scanner->queue_ = platform::DispatchQueue::createSerial("com.kestrune.test.bluetooth");
        scanner->central_ = platform::CentralManager::create(scanner, scanner->queue_);
        return scanner;
    }

    // A connection for the device, made as the scanner makes them.
    std::shared_ptr<kestrune::LeScannerConnection> connectionFor(const std::string& identifier) {
        auto peripherals = central_->retrievePeripheralsWithIdentifiers({identifier});
        if (peripherals.empty()) return nullptr;
        auto connection =
            kestrune::LeScannerConnection::initWithPeripheral_withDelegate(peripherals[0], weak_from_this());
        std::lock_guard lock(mutex_);
        connections_[identifier] = connection;
        return connection;
    }

    void setServices(std::vector<platform::BluetoothUUID> services) {
        std::lock_guard lock(mutex_);
        services_ = std::move(services);
    }
    std::atomic<bool> acceptAllServices{false};
    std::atomic<bool> proceedWithConnecting{true};
    std::atomic<bool> honourCancel{true};

    std::vector<StateChange> stateChanges() const {
        std::lock_guard lock(mutex_);
        return states_;
    }
    std::vector<uint32_t> states() const {
        std::vector<uint32_t> states;
        for (const auto& change : stateChanges()) states.push_back(change.state);
        return states;
    }
    // When the connection last entered the state.
    double entered(uint32_t state) const {
        double time = -1;
        for (const auto& change : stateChanges())
            if (change.state == state) time = change.time;
        return time;
    }
    std::vector<std::string> reports() const {
        std::lock_guard lock(mutex_);
        return reports_;
    }
    size_t count(const std::string& report) const {
        size_t n = 0;
        for (const auto& seen : reports())
            if (seen == report) ++n;
        return n;
    }
    bool versionReportOffMainThread() const { return versionOffMain_; }

    // CentralManagerDelegate
    void centralManagerDidUpdateState(platform::CentralManager&) override {}
    void centralManager_didConnectPeripheral(
        platform::CentralManager&, const std::shared_ptr<platform::Peripheral>& peripheral) override {
        if (auto connection = find(peripheral->identifier())) connection->connectionEstablished();
    }
    void centralManager_didDisconnectPeripheral_error(platform::CentralManager&,
                                                      const std::shared_ptr<platform::Peripheral>& peripheral,
                                                      const std::optional<platform::Error>& error) override {
        auto connection = find(peripheral->identifier());
        if (!connection) return;
        if (error) connection->handleGeneralBleutoothError(*error);
        connection->connectionLost();
    }

    // LeScannerConnectionInternalDelegate
    void scannerConnection_didUpdateState(const std::shared_ptr<kestrune::LeScannerConnection>& connection,
                                          uint32_t state) override {
        {
            std::lock_guard lock(mutex_);
            states_.push_back({state, platform::Clock::now()});
        }
        if (state == kestrune::LeScannerConnection::kStateFullyConnected) {
            auto controller = controller_;
            kestrune::runOnMainThreadSync([connection, controller] { connection->setDelegate(controller); });
        }
    }
    void scannerConnection_didGetStuckInState(
        const std::shared_ptr<kestrune::LeScannerConnection>& connection, uint32_t state) override {
        report("stuck:" + std::to_string(state));
        connection->disconnectBecauseOfError();
    }
    void scannerConnection_performCommand(const std::shared_ptr<kestrune::LeScannerConnection>& connection,
                                          int32_t command) override {
        report("command:" + std::to_string(command));
        if (command == kCommandConnect) {
            connection->didAttemptConnection();
            central_->connectPeripheral(connection->peripheral());
        } else if (command == kCommandCancelConnection && honourCancel) {
            central_->cancelPeripheralConnection(connection->peripheral());
        }
    }
    std::vector<platform::BluetoothUUID> scannerConnectionGetArrayOfServices(
        const std::shared_ptr<kestrune::LeScannerConnection>&) override {
        std::lock_guard lock(mutex_);
        return services_;
    }
    void protocolVersionNotMatching(bool macMustUpdate) override {
        if (!platform::isMainThread()) versionOffMain_ = true;
        report(std::string("version:") + (macMustUpdate ? "1" : "0"));
    }
    void scannerConnectionIsNotAnAppropriateConnection(
        const std::shared_ptr<kestrune::LeScannerConnection>& connection) override {
        report("notAppropriate");
        connection->disconnect(true);
    }
    void scannerConnectionExperiencedUnsolvableError(
        const std::shared_ptr<kestrune::LeScannerConnection>&) override {
        report("unsolvable");
    }
    void scannerConnectionExperiencedCorruptedBluetoothCache(
        const std::shared_ptr<kestrune::LeScannerConnection>&) override {
        report("corrupted");
    }
    void scannerConnectionDidDetectInappropriateServices(
        const std::shared_ptr<kestrune::LeScannerConnection>&) override {
        report("inappropriateServices");
    }
    bool scannerConnection_shouldAcceptServiceWithUUID(const std::shared_ptr<kestrune::LeScannerConnection>&,
                                                       const std::string&) override {
        return false;
    }
    bool scannerConnectionShouldAcceptAllServices(
        const std::shared_ptr<kestrune::LeScannerConnection>&) override {
        return acceptAllServices;
    }
    bool scannerShouldScanForServicesAfterConnection(
        const std::shared_ptr<kestrune::LeScannerConnection>&) override {
        return proceedWithConnecting;
    }

    const std::shared_ptr<platform::CentralManager>& central() const { return central_; }

private:
    std::shared_ptr<kestrune::LeScannerConnection> find(const std::string& identifier) {
        std::lock_guard lock(mutex_);
        auto found = connections_.find(identifier);
        return found == connections_.end() ? nullptr : found->second;
    }
    void report(const std::string& text) {
        std::lock_guard lock(mutex_);
        reports_.push_back(text);
    }

    mutable std::mutex mutex_;
    std::vector<platform::BluetoothUUID> services_;
    std::shared_ptr<ControllerStandIn> controller_;
    std::shared_ptr<platform::DispatchQueue> queue_;
    std::shared_ptr<platform::CentralManager> central_;
    std::map<std::string, std::shared_ptr<kestrune::LeScannerConnection>> connections_;
    std::vector<StateChange> states_;
    std::vector<std::string> reports_;
    std::atomic<bool> versionOffMain_{false};
};

}  // namespace connectiontests
