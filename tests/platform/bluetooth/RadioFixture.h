#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/DispatchQueue.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/bluetooth/BluetoothError.h"
#include "platform/bluetooth/CentralManager.h"
#include "platform/bluetooth/Peripheral.h"
#include "platform/sim/radio/Radio.h"
#include "tests/support/TestEnvironment.h"

namespace radiotests {

// A central's owner that writes down what it hears, and notes any report that came off its queue.
class Recorder : public platform::CentralManagerDelegate,
                 public platform::PeripheralDelegate,
                 public std::enable_shared_from_this<Recorder> {
public:
    struct Sighting {
        std::shared_ptr<platform::Peripheral> peripheral;
        platform::Value::Dictionary advertisement;
        int rssi;
        double time;
    };

    explicit Recorder(std::shared_ptr<platform::DispatchQueue> queue) : queue_(std::move(queue)) {}

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
    std::vector<Sighting> sightings() const {
        std::lock_guard lock(mutex_);
        return sightings_;
    }
    std::vector<platform::Error> errors() const {
        std::lock_guard lock(mutex_);
        return errors_;
    }
    std::vector<platform::Data> values() const {
        std::lock_guard lock(mutex_);
        return values_;
    }
    std::vector<int> readings() const {
        std::lock_guard lock(mutex_);
        return readings_;
    }
    bool reportedOffQueue() const { return offQueue_; }

    void centralManagerDidUpdateState(platform::CentralManager& central) override {
        note("state:" + std::to_string(central.state()));
    }
    void centralManager_didDiscoverPeripheral_advertisementData_RSSI(
        platform::CentralManager&, const std::shared_ptr<platform::Peripheral>& peripheral,
        const platform::Value::Dictionary& advertisement, const platform::Number& rssi) override {
        checkQueue();
        std::lock_guard lock(mutex_);
        sightings_.push_back({peripheral, advertisement, rssi.intValue(), platform::Clock::now()});
    }
    void centralManager_didConnectPeripheral(
        platform::CentralManager&, const std::shared_ptr<platform::Peripheral>& peripheral) override {
        note("connected:" + std::to_string(peripheral->state()));
    }
    void centralManager_didFailToConnectPeripheral_error(
        platform::CentralManager&, const std::shared_ptr<platform::Peripheral>&,
        const std::optional<platform::Error>& error) override {
        note("failed", error);
    }
    void centralManager_didDisconnectPeripheral_error(platform::CentralManager&,
                                                      const std::shared_ptr<platform::Peripheral>& peripheral,
                                                      const std::optional<platform::Error>& error) override {
        note("disconnected:" + std::to_string(peripheral->state()), error);
    }

    void peripheral_didDiscoverServices(platform::Peripheral&,
                                        const std::optional<platform::Error>& error) override {
        note("services", error);
    }
    void peripheral_didDiscoverCharacteristicsForService_error(
        platform::Peripheral&, const std::shared_ptr<platform::Service>&,
        const std::optional<platform::Error>& error) override {
        note("characteristics", error);
    }
    void peripheral_didUpdateNotificationStateForCharacteristic_error(
        platform::Peripheral&, const std::shared_ptr<platform::Characteristic>& characteristic,
        const std::optional<platform::Error>& error) override {
        note(std::string("notifying:") + (characteristic->isNotifying() ? "1" : "0"), error);
    }
    void peripheral_didUpdateValueForCharacteristic_error(
        platform::Peripheral&, const std::shared_ptr<platform::Characteristic>& characteristic,
        const std::optional<platform::Error>& error) override {
        if (!error) {
            std::lock_guard lock(mutex_);
            values_.push_back(characteristic->value().value_or(platform::Data()));
        }
        note("value", error);
    }
    void peripheral_didWriteValueForCharacteristic_error(
        platform::Peripheral&, const std::shared_ptr<platform::Characteristic>&,
        const std::optional<platform::Error>& error) override {
        note("written", error);
    }
    void peripheral_didReadRSSI_error(platform::Peripheral&, const platform::Number& rssi,
                                      const std::optional<platform::Error>& error) override {
        if (!error) {
            std::lock_guard lock(mutex_);
            readings_.push_back(rssi.intValue());
        }
        note("rssi", error);
    }
    void peripheralDidUpdateRSSI_error(platform::Peripheral& peripheral,
                                       const std::optional<platform::Error>& error) override {
        if (!error && peripheral.RSSI()) {
            std::lock_guard lock(mutex_);
            readings_.push_back(peripheral.RSSI()->intValue());
        }
        note("rssi-older", error);
    }
    void peripheral_didModifyServices(
        platform::Peripheral&, const std::vector<std::shared_ptr<platform::Service>>& invalidated) override {
        note("modified:" + std::to_string(invalidated.size()));
    }

private:
    void checkQueue() {
        bool on = queue_ ? queue_->isCurrent() : platform::isMainThread();
        if (!on) offQueue_ = true;
    }
    void note(const std::string& event, const std::optional<platform::Error>& error = std::nullopt) {
        checkQueue();
        std::lock_guard lock(mutex_);
        if (error) {
            errors_.push_back(*error);
            events_.push_back(event + "!" + error->domain + ":" + std::to_string(error->code));
        } else {
            events_.push_back(event);
        }
    }

    std::shared_ptr<platform::DispatchQueue> queue_;
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<Sighting> sightings_;
    std::vector<platform::Error> errors_;
    std::vector<platform::Data> values_;
    std::vector<int> readings_;
    std::atomic<bool> offQueue_{false};
};

// A fresh radio installed as the backend, a central on its own serial queue, and helpers to put
// devices on the air.
class RadioFixture : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        radio = platform::Radio::create();
        platform::BluetoothBackend::install(radio);
        queue = platform::DispatchQueue::createSerial("test.central");
        recorder = std::make_shared<Recorder>(queue);
        central = platform::CentralManager::create(recorder, queue);
    }
    void TearDown() override {
        runUntilIdle();
        central.reset();
        platform::BluetoothBackend::install(nullptr);
        KestruneTest::TearDown();
    }

    static platform::BluetoothUUID uuid(const char* text) { return platform::BluetoothUUID::constant(text); }

    std::shared_ptr<platform::SimulatedPeripheral> addDevice(
        const std::string& identifier, std::vector<platform::BluetoothUUID> services = {}) {
        auto device = std::make_shared<platform::SimulatedPeripheral>(identifier);
        platform::Value::Array advertised;
        std::vector<platform::SimulatedPeripheral::ServiceDescription> described;
        for (const auto& service : services) {
            advertised.push_back(platform::Value(service.data()));
            described.push_back({service,
                                 {{uuid("AA01"), platform::Characteristic::kPropertyNotify},
                                  {uuid("AA02"), platform::Characteristic::kPropertyWrite |
                                                     platform::Characteristic::kPropertyWriteWithoutResponse},
                                  {uuid("AA03"), platform::Characteristic::kPropertyRead}}});
        }
        device->setAdvertisementData({{"kCBAdvDataServiceUUIDs", platform::Value(advertised)}});
        device->setServices(described);
        radio->addPeripheral(device);
        return device;
    }

    // The central's own object for a device, as a scan would hand it over.
    std::shared_ptr<platform::Peripheral> objectFor(const std::string& identifier) {
        auto found = central->retrievePeripheralsWithIdentifiers({identifier});
        return found.empty() ? nullptr : found.front();
    }

    std::shared_ptr<platform::Peripheral> connected(const std::string& identifier) {
        auto peripheral = objectFor(identifier);
        peripheral->setDelegate(recorder);
        central->connectPeripheral(peripheral);
        advance(platform::Radio::kDefaultConnectLatency);
        return peripheral;
    }

    std::shared_ptr<platform::Radio> radio;
    std::shared_ptr<platform::DispatchQueue> queue;
    std::shared_ptr<Recorder> recorder;
    std::shared_ptr<platform::CentralManager> central;
};

}  // namespace radiotests
