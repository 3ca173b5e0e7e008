#include "platform/bluetooth/Peripheral.h"

#include "platform/system/SystemVersion.h"
#include "tests/platform/bluetooth/RadioFixture.h"

using platform::BluetoothError;
using platform::Data;
using platform::Peripheral;
using platform::Radio;
using platform::SimulatedPeripheral;
using Operation = platform::SimulatedPeripheral::Operation;

namespace {

const char* kDevice = "11111111-2222-3333-4444-555555555555";

class PeripheralTest : public radiotests::RadioFixture {
protected:
    void SetUp() override {
        RadioFixture::SetUp();
        device = addDevice(kDevice, {uuid("B123"), uuid("180A")});
        advance(0.1);
        peripheral = connected(kDevice);
    }
    void TearDown() override {
        platform::SystemVersion::setOverride(std::nullopt);
        RadioFixture::TearDown();
    }

    // Discovers the first service and its characteristics.
    std::shared_ptr<platform::Service> discovered() {
        peripheral->discoverServices(std::vector{uuid("B123")});
        advance(0.1);
        auto service = peripheral->services().at(0);
        peripheral->discoverCharacteristics_forService(std::nullopt, service);
        advance(0.1);
        return service;
    }

    std::shared_ptr<SimulatedPeripheral> device;
    std::shared_ptr<Peripheral> peripheral;
};

}  // namespace

TEST_F(PeripheralTest, DiscoversTheServicesAskedForAndTheirCharacteristics) {
    peripheral->discoverServices(std::vector{uuid("180A")});
    advance(Radio::kDefaultLinkLatency + 0.001);
    ASSERT_EQ(peripheral->services().size(), 1u);
    EXPECT_EQ(peripheral->services()[0]->UUID(), uuid("180A"));
    peripheral->discoverServices(std::nullopt);
    advance(0.1);
    ASSERT_EQ(peripheral->services().size(), 2u);
    EXPECT_EQ(peripheral->services()[0]->UUID(), uuid("B123"));
    auto kept = peripheral->services()[1];
    EXPECT_EQ(kept->UUID(), uuid("180A"));

    peripheral->discoverCharacteristics_forService(std::vector{uuid("AA02"), uuid("AA01")}, kept);
    advance(0.1);
    auto characteristics = kept->characteristics();
    ASSERT_EQ(characteristics.size(), 2u);
    EXPECT_EQ(characteristics[0]->UUID(), uuid("AA01"));
    EXPECT_EQ(characteristics[0]->service(), kept);
    EXPECT_EQ(recorder->count("services"), 2u);
    EXPECT_EQ(recorder->count("characteristics"), 1u);
    EXPECT_FALSE(recorder->reportedOffQueue());
}

TEST_F(PeripheralTest, SubscribesWritesAndReceivesNotifiedValues) {
    auto service = discovered();
    auto notifying = service->characteristicWithUUID(uuid("AA01"));
    auto writable = service->characteristicWithUUID(uuid("AA02"));
    peripheral->setNotifyValue_forCharacteristic(true, notifying);
    advance(0.1);
    EXPECT_TRUE(notifying->isNotifying());
    EXPECT_TRUE(radio->isSubscribed(kDevice, uuid("AA01")));
    device->notifyValue(uuid("AA01"), Data::fromString("one"));
    device->notifyValue(uuid("AA01"), Data::fromString("two"));
    device->notifyValue(uuid("AA03"), Data::fromString("not subscribed"));
    advance(0.1);
    EXPECT_EQ(recorder->values(), (std::vector<Data>{Data::fromString("one"), Data::fromString("two")}));

    peripheral->writeValue_forCharacteristic_type(Data::fromString("ping"), writable,
                                                  Peripheral::kWriteWithResponse);
    peripheral->writeValue_forCharacteristic_type(Data::fromString("pong"), writable,
                                                  Peripheral::kWriteWithoutResponse);
    advance(0.1);
    ASSERT_EQ(device->receivedWrites().size(), 2u);
    EXPECT_EQ(device->receivedWrites()[1].second, Data::fromString("pong"));
    EXPECT_EQ(recorder->count("written"), 1u);

    peripheral->setNotifyValue_forCharacteristic(false, notifying);
    advance(0.1);
    EXPECT_FALSE(notifying->isNotifying());
    device->notifyValue(uuid("AA01"), Data::fromString("three"));
    advance(0.1);
    EXPECT_EQ(recorder->values().size(), 2u);
}

TEST_F(PeripheralTest, RequestsTheCharacteristicDoesNotAllowFailWithTheAttributeError) {
    auto service = discovered();
    peripheral->setNotifyValue_forCharacteristic(true, service->characteristicWithUUID(uuid("AA03")));
    peripheral->writeValue_forCharacteristic_type(
        Data::fromString("x"), service->characteristicWithUUID(uuid("AA01")), Peripheral::kWriteWithResponse);
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "written!CBATTErrorDomain:3");
    EXPECT_EQ(recorder->count("notifying:0!CBATTErrorDomain:6"), 1u);
    EXPECT_TRUE(device->receivedWrites().empty());
}

TEST_F(PeripheralTest, EachInjectedErrorReachesTheDelegateOfItsRequest) {
    device->failNext(Operation::DiscoverServices, BluetoothError::error(BluetoothError::kUnknown));
    peripheral->discoverServices(std::nullopt);
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "services!CBErrorDomain:0");
    auto service = discovered();
    device->failNext(Operation::DiscoverCharacteristics,
                     BluetoothError::attributeError(BluetoothError::kAttributeInvalidHandle));
    peripheral->discoverCharacteristics_forService(std::nullopt, service);
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "characteristics!CBATTErrorDomain:1");

    auto notifying = service->characteristicWithUUID(uuid("AA01"));
    device->failNext(Operation::SetNotify,
                     BluetoothError::attributeError(BluetoothError::kAttributeInsufficientAuthorization));
    peripheral->setNotifyValue_forCharacteristic(true, notifying);
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "notifying:0!CBATTErrorDomain:8");
    EXPECT_FALSE(notifying->isNotifying());

    peripheral->setNotifyValue_forCharacteristic(true, notifying);
    advance(0.1);
    device->failNext(Operation::ValueUpdate,
                     BluetoothError::attributeError(BluetoothError::kAttributeUnlikelyError));
    device->notifyValue(uuid("AA01"), Data::fromString("lost"));
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "value!CBATTErrorDomain:14");

    device->failNext(Operation::Write, BluetoothError::error(BluetoothError::kUnknown));
    peripheral->writeValue_forCharacteristic_type(
        Data::fromString("x"), service->characteristicWithUUID(uuid("AA02")), Peripheral::kWriteWithResponse);
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "written!CBErrorDomain:0");

    device->failNext(Operation::ReadRSSI, BluetoothError::error(BluetoothError::kNotConnected));
    peripheral->readRSSI();
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "rssi!CBErrorDomain:3");
    EXPECT_TRUE(recorder->readings().empty());
}

TEST_F(PeripheralTest, AStalledRequestIsNeverAnswered) {
    device->setStalled(Operation::DiscoverServices, true);
    peripheral->discoverServices(std::nullopt);
    advance(60);
    EXPECT_EQ(recorder->count("services"), 0u);
    device->setStalled(Operation::DiscoverServices, false);
    peripheral->discoverServices(std::nullopt);
    advance(0.1);
    EXPECT_EQ(recorder->count("services"), 1u);
}

TEST_F(PeripheralTest, ReadsTheSignalStrengthAlongTheDevicesPath) {
    device->setRSSI(-40);
    device->moveRSSI(-80, 4);
    advance(2);
    peripheral->readRSSI();
    advance(Radio::kDefaultLinkLatency);
    device->overrideNextRSSIReading(127);
    peripheral->readRSSI();
    advance(0.1);
    EXPECT_EQ(recorder->readings(), (std::vector<int>{-60, 127}));
    EXPECT_EQ(peripheral->RSSI()->intValue(), 127);
}

TEST_F(PeripheralTest, OlderSystemsAnswerReadingsThroughTheOlderCallback) {
    platform::SystemVersion::setOverride("10.12.6");
    peripheral->readRSSI();
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "rssi-older");
    EXPECT_EQ(recorder->readings(), std::vector<int>{-50});
    platform::SystemVersion::setOverride("10.13");
    peripheral->readRSSI();
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "rssi");
}

TEST_F(PeripheralTest, ChangedServicesAreTakenAwayAndReported) {
    discovered();
    peripheral->discoverServices(std::nullopt);
    advance(0.1);
    device->modifyServices({uuid("B123")});
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "modified:1");
    ASSERT_EQ(peripheral->services().size(), 1u);
    EXPECT_EQ(peripheral->services()[0]->UUID(), uuid("180A"));
}

TEST_F(PeripheralTest, RequestsOnALinkThatIsDownAreDropped) {
    auto service = discovered();
    device->dropConnections();
    advance(0.1);
    EXPECT_EQ(recorder->events().back(), "disconnected:0!CBErrorDomain:7");
    peripheral->readRSSI();
    peripheral->discoverServices(std::nullopt);
    peripheral->writeValue_forCharacteristic_type(
        Data::fromString("x"), service->characteristicWithUUID(uuid("AA02")), Peripheral::kWriteWithResponse);
    advance(1);
    EXPECT_EQ(recorder->events().back(), "disconnected:0!CBErrorDomain:7");
    EXPECT_TRUE(device->receivedWrites().empty());
}
