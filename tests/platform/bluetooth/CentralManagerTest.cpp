#include "platform/bluetooth/CentralManager.h"

#include "platform/bluetooth/AdvertisementData.h"
#include "platform/bluetooth/BluetoothController.h"
#include "tests/platform/bluetooth/RadioFixture.h"

using platform::BluetoothError;
using platform::CentralManager;
using platform::Peripheral;
using platform::Radio;

namespace {
class CentralManagerTest : public radiotests::RadioFixture {};

const char* kPhone = "11111111-2222-3333-4444-555555555555";
const char* kTelevision = "AAAAAAAA-2222-3333-4444-555555555555";
}  // namespace

TEST_F(CentralManagerTest, LearnsTheRadioStateAfterCreationOnItsOwnQueue) {
    EXPECT_EQ(central->state(), CentralManager::kStateUnknown);
    runUntilIdle();
    EXPECT_EQ(central->state(), CentralManager::kStateUnknown);  // not before the radio answers
    advance(Radio::kDefaultLinkLatency);
    EXPECT_EQ(central->state(), CentralManager::kStatePoweredOn);
    EXPECT_EQ(recorder->events(), std::vector<std::string>{"state:5"});
    EXPECT_FALSE(recorder->reportedOffQueue());
}

TEST_F(CentralManagerTest, AManagerWithoutQueueReportsOnTheMainThread) {
    auto mainRecorder = std::make_shared<radiotests::Recorder>(nullptr);
    auto onMain = CentralManager::create(mainRecorder, nullptr);
    advance(1);
    EXPECT_EQ(mainRecorder->events(), std::vector<std::string>{"state:5"});
    EXPECT_FALSE(mainRecorder->reportedOffQueue());
}

TEST_F(CentralManagerTest, ControllerPowerSwitchesAfterItsTransitionDelay) {
    advance(0.1);
    radio->setPowerTransitionDelay(1.2);
    platform::BluetoothController::setPowerState(0);
    advance(1.19);
    EXPECT_EQ(platform::BluetoothController::powerState(), 1);
    EXPECT_EQ(central->state(), CentralManager::kStatePoweredOn);
    advance(0.02);
    EXPECT_EQ(platform::BluetoothController::powerState(), 0);
    EXPECT_EQ(central->state(), CentralManager::kStatePoweredOff);
    // A switch asked again before the first took effect changes course without a second report.
    platform::BluetoothController::setPowerState(1);
    advance(0.5);
    platform::BluetoothController::setPowerState(0);
    advance(2);
    EXPECT_EQ(central->state(), CentralManager::kStatePoweredOff);
    EXPECT_EQ(recorder->events(), (std::vector<std::string>{"state:5", "state:4"}));
}

TEST_F(CentralManagerTest, UnsupportedAndResettingRadiosSayWhatTheyAre) {
    advance(0.1);
    radio->resetController(0.5);
    advance(0.1);
    EXPECT_EQ(central->state(), CentralManager::kStateResetting);
    advance(0.5);
    EXPECT_EQ(central->state(), CentralManager::kStatePoweredOn);
    radio->setLowEnergySupported(false);
    advance(0.1);
    EXPECT_EQ(central->state(), CentralManager::kStateUnsupported);
    EXPECT_EQ(recorder->events(), (std::vector<std::string>{"state:5", "state:1", "state:5", "state:2"}));
}

TEST_F(CentralManagerTest, AScanHearsOnlyTheServicesAskedForAndEachPeripheralOnceWithoutDuplicates) {
    addDevice(kPhone, {uuid("B123")});
    addDevice(kTelevision, {uuid("FE9F")});
    advance(0.1);
    central->scanForPeripheralsWithServices_options(std::vector{uuid("B123")});
    EXPECT_TRUE(central->isScanning());
    advance(3);
    auto sightings = recorder->sightings();
    ASSERT_EQ(sightings.size(), 1u);
    EXPECT_EQ(sightings[0].peripheral->identifier(), kPhone);
    EXPECT_EQ(sightings[0].rssi, -50);
    EXPECT_FALSE(recorder->reportedOffQueue());

    platform::ScanOptions duplicates;
    duplicates.allowDuplicates = true;
    central->scanForPeripheralsWithServices_options(std::nullopt, duplicates);
    advance(2);
    sightings = recorder->sightings();
    size_t phone = 0, television = 0;
    for (size_t i = 1; i < sightings.size(); ++i)
        (sightings[i].peripheral->identifier() == kPhone ? phone : television)++;
    // Every 0.5 s over 2 s: four advertisements each.
    EXPECT_EQ(phone, 4u);
    EXPECT_EQ(television, 4u);
    // The same device is the same object for this manager.
    EXPECT_EQ(sightings.back().peripheral, objectFor(sightings.back().peripheral->identifier()));

    central->stopScan();
    EXPECT_FALSE(central->isScanning());
    advance(2);
    EXPECT_EQ(recorder->sightings().size(), sightings.size());
}

TEST_F(CentralManagerTest, ASolicitedServiceIsHeardThroughTheScanOptions) {
    auto device = addDevice(kPhone);
    device->setAdvertisementData(
        {{platform::AdvertisementData::kSolicitedServiceUUIDs,
          platform::Value(platform::Value::Array{platform::Value(uuid("B123").data())})}});
    advance(0.1);
    central->scanForPeripheralsWithServices_options(std::vector{uuid("FFFF")});
    advance(1);
    EXPECT_TRUE(recorder->sightings().empty());
    platform::ScanOptions options;
    options.solicitedServiceUUIDs = {uuid("B123")};
    central->scanForPeripheralsWithServices_options(std::vector{uuid("FFFF")}, options);
    advance(1);
    EXPECT_EQ(recorder->sightings().size(), 1u);
}

TEST_F(CentralManagerTest, APeripheralOutOfRangeIsNotHeardAndReadingsScatterByTheSeed) {
    auto device = addDevice(kPhone);
    device->setRSSI(-105);
    advance(0.1);
    platform::ScanOptions duplicates;
    duplicates.allowDuplicates = true;
    central->scanForPeripheralsWithServices_options(std::nullopt, duplicates);
    advance(2);
    EXPECT_TRUE(recorder->sightings().empty());
    device->setRSSI(-60);
    device->setNoise(3);
    advance(20);
    auto sightings = recorder->sightings();
    ASSERT_EQ(sightings.size(), 40u);
    double sum = 0;
    std::set<int> distinct;
    for (const auto& sighting : sightings) {
        sum += sighting.rssi;
        distinct.insert(sighting.rssi);
    }
    EXPECT_NEAR(sum / 40, -60, 1.5);
    EXPECT_GT(distinct.size(), 3u);
    // The same world and seed give the same readings.
    EXPECT_EQ(device->readingAt(sightings[7].time, radio->seed()), sightings[7].rssi);
    EXPECT_NE(device->readingAt(12345.6, 1), device->readingAt(12345.6, 2) + 1000);
}

TEST_F(CentralManagerTest, ConnectsAfterTheLatencyAndCancelsWithoutError) {
    addDevice(kPhone, {uuid("B123")});
    advance(0.1);
    auto peripheral = objectFor(kPhone);
    central->connectPeripheral(peripheral);
    EXPECT_EQ(peripheral->state(), Peripheral::kConnecting);
    advance(Radio::kDefaultConnectLatency - 0.005);
    EXPECT_EQ(recorder->count("connected:2"), 0u);
    advance(0.01);
    EXPECT_EQ(peripheral->state(), Peripheral::kConnected);
    EXPECT_EQ(recorder->count("connected:2"), 1u);
    EXPECT_EQ(radio->connectedLinkCount(kPhone), 1u);
    EXPECT_EQ(central->retrieveConnectedPeripheralsWithServices({uuid("B123")}).size(), 1u);
    EXPECT_TRUE(central->retrieveConnectedPeripheralsWithServices({uuid("B999")}).empty());

    central->cancelPeripheralConnection(peripheral);
    EXPECT_EQ(peripheral->state(), Peripheral::kDisconnecting);
    advance(0.1);
    EXPECT_EQ(peripheral->state(), Peripheral::kDisconnected);
    EXPECT_EQ(recorder->count("disconnected:0"), 1u);
    EXPECT_TRUE(recorder->errors().empty());
    EXPECT_EQ(radio->connectedLinkCount(kPhone), 0u);
}

TEST_F(CentralManagerTest, ARefusedConnectionFailsWithTheInjectedError) {
    auto device = addDevice(kPhone);
    device->failNextConnectionAttempt(BluetoothError::error(BluetoothError::kConnectionFailed));
    advance(0.1);
    auto peripheral = objectFor(kPhone);
    central->connectPeripheral(peripheral);
    advance(0.2);
    ASSERT_EQ(recorder->errors().size(), 1u);
    EXPECT_EQ(recorder->errors()[0], BluetoothError::error(BluetoothError::kConnectionFailed));
    EXPECT_EQ(recorder->errors()[0].domain, "CBErrorDomain");
    EXPECT_EQ(peripheral->state(), Peripheral::kDisconnected);
    central->connectPeripheral(peripheral);
    advance(0.2);
    EXPECT_EQ(recorder->count("connected:2"), 1u);
}

TEST_F(CentralManagerTest, AnAttemptStaysPendingUntilThePeripheralAcceptsOrComesInRange) {
    auto device = addDevice(kPhone);
    device->setAcceptsConnections(false);
    advance(0.1);
    auto peripheral = objectFor(kPhone);
    central->connectPeripheral(peripheral);
    advance(30);
    EXPECT_EQ(peripheral->state(), Peripheral::kConnecting);
    EXPECT_EQ(radio->pendingConnectionCount(kPhone), 1u);
    device->setAcceptsConnections(true);
    device->setRSSI(-110);
    advance(5);
    EXPECT_EQ(peripheral->state(), Peripheral::kConnecting);
    device->setRSSI(-70);
    advance(Radio::kSupervisionInterval);
    EXPECT_EQ(peripheral->state(), Peripheral::kConnected);
    // A pending attempt can be given up.
    central->cancelPeripheralConnection(peripheral);
    advance(0.1);
    EXPECT_EQ(recorder->count("disconnected:0"), 1u);
}

TEST_F(CentralManagerTest, ALinkOutOfRangeForTheSupervisionTimeoutIsLostWithATimeout) {
    auto device = addDevice(kPhone);
    advance(0.1);
    auto peripheral = connected(kPhone);
    ASSERT_EQ(peripheral->state(), Peripheral::kConnected);
    // Out of range from the moment the level passes -100: 2.5 s into a 3.5 s walk from -50 to -120.
    double start = now();
    device->walkAway(3.5);
    advance(2.5 + Radio::kDefaultSupervisionTimeout - 0.3);
    EXPECT_EQ(peripheral->state(), Peripheral::kConnected);
    advance(0.6);
    EXPECT_EQ(peripheral->state(), Peripheral::kDisconnected);
    ASSERT_EQ(recorder->errors().size(), 1u);
    EXPECT_EQ(recorder->errors()[0].code, BluetoothError::kConnectionTimeout);
    EXPECT_LT(now() - start, 5.0);

    device->comeBack(2);
    advance(3);
    central->connectPeripheral(peripheral);
    advance(0.2);
    EXPECT_EQ(peripheral->state(), Peripheral::kConnected);
}

TEST_F(CentralManagerTest, PowerOffEndsLinksAndScansSilently) {
    addDevice(kPhone);
    advance(0.1);
    auto peripheral = connected(kPhone);
    central->scanForPeripheralsWithServices_options(std::nullopt);
    radio->setPowerTransitionDelay(0.5);
    platform::BluetoothController::setPowerState(0);
    advance(0.6);
    EXPECT_EQ(peripheral->state(), Peripheral::kDisconnected);
    EXPECT_FALSE(central->isScanning());
    EXPECT_EQ(recorder->count("disconnected:0"), 0u);
    EXPECT_EQ(recorder->events().back(), "state:4");
    // Nothing can be started while the radio is off.
    central->scanForPeripheralsWithServices_options(std::nullopt);
    central->connectPeripheral(peripheral);
    EXPECT_FALSE(central->isScanning());
    EXPECT_EQ(peripheral->state(), Peripheral::kDisconnected);
}

TEST_F(CentralManagerTest, RetrievesKnownPeripheralsByIdentifierAndSkipsUnknownOnes) {
    addDevice(kPhone);
    addDevice(kTelevision);
    auto found = central->retrievePeripheralsWithIdentifiers({"11111111-2222-3333-4444-555555555555",
                                                              "00000000-0000-0000-0000-000000000000",
                                                              kTelevision, kPhone});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0]->identifier(), kPhone);
    EXPECT_EQ(found[1]->identifier(), kTelevision);
    // A device that left is still known to the manager that met it.
    radio->removePeripheral(kPhone);
    EXPECT_EQ(central->retrievePeripheralsWithIdentifiers({kPhone}).front(), found[0]);
    auto other = CentralManager::create(recorder, queue);
    EXPECT_TRUE(other->retrievePeripheralsWithIdentifiers({kPhone}).empty());
}

TEST_F(CentralManagerTest, ADestroyedManagerLeavesNoLinkBehind) {
    auto device = addDevice(kPhone);
    advance(0.1);
    connected(kPhone);
    EXPECT_EQ(radio->connectedLinkCount(kPhone), 1u);
    central.reset();
    runUntilIdle();
    EXPECT_EQ(radio->connectedLinkCount(kPhone), 0u);
    EXPECT_EQ(radio->centralCount(), 0u);
}
