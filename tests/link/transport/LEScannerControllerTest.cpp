#include "link/transport/LEScannerController.h"

#include "link/transport/BluetoothLE.h"
#include "platform/base/NotificationCenter.h"
#include "platform/bluetooth/BluetoothError.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/SystemVersion.h"
#include "tests/link/ScannerFixture.h"
#include "tests/platform/bluetooth/RadioFixture.h"

using kestrune::DeviceSpecificConfig;
using kestrune::LEScanner;
using kestrune::LeScannerConnection;
using platform::AdvertisementData;
using platform::BluetoothError;
using platform::Value;
using Stamp = LeScannerConnection::ScannerStamp;

namespace {

const std::string kPhone = "0E7A1C55-3B1D-4F6A-9C2E-5D8B7A6F4E31";
const std::string kOther = "7B2D9E40-1C3A-4E5F-8A6B-0D9C8E7F6A51";

class LEScannerControllerTest : public scannertests::ScannerFixture {
protected:
    Value storedDevices() { return platform::UserDefaults::standard()->objectForKey("StoredDevices"); }
    void post(const char* name) { platform::NotificationCenter::defaultCenter().post(name); }
    void advanceTo(double time) { advance(std::max(0.0, time - now())); }
};

}  // namespace

// Finding the phone -----------------------------------------------------------------------------------------

TEST_F(LEScannerControllerTest, TheScriptedPhoneIsFoundConnectedAuthenticatedAndReportedOnceWhenFull) {
    auto device = addPhone(kPhone);
    scanner->executeSingleScan();
    advance(3);
    EXPECT_EQ(backend->count("scan:services"), 1u);
    EXPECT_TRUE(scanner->isScanning());
    EXPECT_EQ(delegate->count("discover:" + kPhone), 1u);
    auto connection = std::dynamic_pointer_cast<LeScannerConnection>(scanner->connectionForUnID(kPhone));
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->scannerState(), LeScannerConnection::kStateFullyConnected);
    EXPECT_TRUE(device->phone()->isAuthenticated());

    // Heard again while connected: a detection with the advertised strength, no second discovery.
    scanner->executeSingleScan();
    advance(3);
    EXPECT_EQ(delegate->count("discover:" + kPhone), 1u);
    EXPECT_EQ(delegate->count("detect:" + kPhone + ":-50"), 1u);
    EXPECT_FALSE(delegate->reportedOffMainThread());

    scanner->stopScanning();
    EXPECT_FALSE(scanner->isScanning());
}

TEST_F(LEScannerControllerTest, EveryAdvertisementIsDroppedWhileTheControllerSaysSo) {
    addDevice(kOther);
    delegate->ignoreAll = true;
    advertise(kOther, phoneAdvertisement());
    EXPECT_EQ(scanner->foundConnectionCount(), 0u);
    EXPECT_EQ(backend->count("connect"), 0u);
    EXPECT_EQ(delegate->questions, 1);
}

// Power
// ------------------------------------------------------------------------------------------------------

TEST_F(LEScannerControllerTest,
       WhileTheCentralStaysOffAndTheControllerIsOnTheManagerIsRecreatedAfterEachTrigger) {
    backend->controllerOverride = 1;
    radio->setControllerPowered(false);
    advance(0.1);
    ASSERT_EQ(scanner->centralManager()->state(), platform::CentralManager::kStatePoweredOff);
    size_t created = backend->count("created");
    double start = now();
    post("ScreenTurnedOnNotification");
    advanceTo(start + 1.49);
    EXPECT_EQ(backend->count("created"), created);
    advanceTo(start + 1.51);
    EXPECT_EQ(backend->count("created"), created + 1);
    // The next re-trigger comes after 10 s (at the tick of 10.5 s), the new manager 1.5 s later.
    advanceTo(start + 11.99);
    EXPECT_EQ(backend->count("created"), created + 1);
    advanceTo(start + 12.01);
    EXPECT_EQ(backend->count("created"), created + 2);
    // The controller goes off: the retry stops.
    backend->controllerOverride = 0;
    advance(30);
    EXPECT_EQ(backend->count("created"), created + 2);
}

TEST_F(LEScannerControllerTest, TheRetryStopsOnceTheCentralLeavesPoweredOff) {
    backend->controllerOverride = 1;
    radio->setControllerPowered(false);
    advance(0.1);
    size_t created = backend->count("created");
    post("LockOnScreenShownNotification");
    advance(1.6);
    EXPECT_EQ(backend->count("created"), created + 1);
    radio->setControllerPowered(true);
    advance(30);
    EXPECT_EQ(backend->count("created"), created + 1);
    EXPECT_EQ(scanner->centralManager()->state(), platform::CentralManager::kStatePoweredOn);
}

TEST_F(LEScannerControllerTest, ResettingAndPoweredOffReportDisconnectsAndPoweredOnReportsReady) {
    EXPECT_EQ(delegate->count("ready"), 1u);
    auto connection = connectPhone(kPhone);
    ASSERT_TRUE(connection);
    radio->resetController(1.0);  // links end silently; only the scanner tells the connection's owner
    advance(0.1);
    EXPECT_EQ(delegate->count("disconnected:" + kPhone), 1u);
    advance(1.5);
    EXPECT_EQ(delegate->count("ready"), 2u);
    // Unsupported and unauthorized change nothing.
    radio->setLowEnergySupported(false);
    advance(0.5);
    EXPECT_EQ(delegate->count("ready"), 2u);
    EXPECT_EQ(delegate->count("disconnected:" + kPhone), 1u);
}

// Retrieval
// --------------------------------------------------------------------------------------------------

TEST_F(LEScannerControllerTest, RetrievalNeverRunsBeforeAScanWhileTheSwitchIsOff) {
    kestrune::BluetoothLE::shared();
    advance(1);
    scanner->performBLETurnedOnAndReadyNotification();
    ASSERT_TRUE(scanner->shouldRetreiveConnectedPeripherals());
    scanner->persistantData().addSavedDevice(kOther);
    scanner->executeSingleScan();
    advance(0.5);
    EXPECT_EQ(backend->count("retrieve") + backend->count("retrieveConnected"), 0u);
    EXPECT_EQ(backend->count("scan:services"), 1u);
}

TEST_F(LEScannerControllerTest, RetrievalRunsOncePerFlagAndHandlesAPeripheralFoundTwiceOnce) {
    DeviceSpecificConfig::overrideSwitchForTesting(
        DeviceSpecificConfig::kShouldRetreiveConnectedPeripheralsOnScan, true);
    kestrune::BluetoothLE::shared();
    auto phone = connectPhone(kPhone);
    ASSERT_TRUE(phone);
    // Another device serving the same service is connected to the system by someone else, and is the
    // saved one: found by identifier and again by service.
    auto other = addDevice(kOther);
    auto queue = platform::DispatchQueue::createSerial("test.other-central");
    auto recorder = std::make_shared<radiotests::Recorder>(queue);
    auto otherCentral = platform::CentralManager::create(recorder, queue, radio);
    advance(0.1);
    otherCentral->connectPeripheral(otherCentral->retrievePeripheralsWithIdentifiers({kOther}).front());
    advance(0.5);
    scanner->persistantData().removeAllSavedDevices();
    scanner->persistantData().addSavedDevice(kOther);

    scanner->performBLETurnedOnAndReadyNotification();
    ASSERT_TRUE(scanner->shouldRetreiveConnectedPeripherals());
    size_t connectsOfPhone = backend->count("connect", kPhone);
    size_t retrievals = backend->count("retrieve");
    scanner->executeSingleScan();
    advance(0.5);
    EXPECT_FALSE(scanner->shouldRetreiveConnectedPeripherals());
    EXPECT_EQ(backend->count("retrieve"), retrievals + 1);
    EXPECT_EQ(backend->count("retrieveConnected"), 1u);
    EXPECT_EQ(backend->count("connect", kOther), 1u);
    EXPECT_EQ(backend->count("connect", kPhone), connectsOfPhone);  // fully connected: left alone

    // One retrieval per flag.
    scanner->executeSingleScan();
    advance(0.5);
    EXPECT_EQ(backend->count("retrieve"), retrievals + 1);
    // The flag comes back only more than 20 s after the last recovered peripheral.
    advance(19.0);
    scanner->performBLETurnedOnAndReadyNotification();
    EXPECT_FALSE(scanner->shouldRetreiveConnectedPeripherals());
    advance(0.2);
    scanner->performBLETurnedOnAndReadyNotification();
    EXPECT_TRUE(scanner->shouldRetreiveConnectedPeripherals());
    otherCentral.reset();
}

TEST_F(LEScannerControllerTest, TheMainPhoneIsReconnectedBeforeAScanWhereTheVersionAsksForIt) {
    auto connection = connectPhone(kPhone);
    ASSERT_TRUE(connection);
    radio->peripheral(kPhone)->setAdvertising(false);
    radio->peripheral(kPhone)->dropConnections();
    advance(0.5);
    ASSERT_EQ(peripheralFor(kPhone)->state(), platform::Peripheral::kDisconnected);
    size_t before = backend->count("connect", kPhone);
    scanner->executeSingleScan();  // 10.14 does not ask for it
    EXPECT_EQ(backend->count("connect", kPhone), before);
    DeviceSpecificConfig::overrideSwitchForTesting(
        DeviceSpecificConfig::kShouldTryToConnectToLastKnownConnection, true);
    scanner->executeSingleScan();
    EXPECT_EQ(backend->count("connect", kPhone), before + 2);  // through the spacing rule and directly
}

// The main connection and the saved identifier ------------------------------------------------------------

TEST_F(LEScannerControllerTest, CachingKeepsExactlyThePhonesIdentifierAndIgnoresEveryOtherPeripheralForGood) {
    platform::UserDefaults::standard()->setObject_forKey(Value(Value::Array{Value(kOther)}), "StoredDevices");
    addDevice(kOther);
    advertise(kOther, phoneAdvertisement());
    auto connection = connectPhone(kPhone);
    ASSERT_TRUE(connection);
    EXPECT_EQ(scanner->mainConnection(), connection);
    EXPECT_EQ(storedDevices(), Value(Value::Array{Value(kPhone)}));
    EXPECT_EQ(ignoredFor(kOther), 4u);
    EXPECT_EQ(ignoredFor(kPhone), 99u);

    // An identifier that is not connected changes nothing but the error counter.
    scanner->cachePeripheralWithUUID("AAAAAAAA-0000-4000-8000-000000000000");
    EXPECT_EQ(scanner->mainConnection(), connection);
    EXPECT_EQ(storedDevices(), Value(Value::Array{Value(kPhone)}));
}

TEST_F(LEScannerControllerTest, SavedIdentifiersReadSafelyWhateverTheDefaultsHold) {
    struct Case {
        const char* what;
        Value stored;
        std::optional<std::vector<std::string>> expected;
    };
    const Case cases[] = {
        {"a text", Value("0E7A1C55-3B1D-4F6A-9C2E-5D8B7A6F4E31"), std::nullopt},
        {"a number", Value(5), std::nullopt},
        {"a dictionary", Value(Value::Dictionary{{"a", Value(1)}}), std::nullopt},
        {"nothing", Value(), std::nullopt},
        {"an empty array", Value(Value::Array{}), std::vector<std::string>{}},
        {"junk beside an identifier in lower case",
         Value(Value::Array{Value("not an identifier"), Value(3),
                            Value("0e7a1c55-3b1d-4f6a-9c2e-5d8b7a6f4e31")}),
         std::vector<std::string>{kPhone}},
    };
    auto defaults = platform::UserDefaults::standard();
    for (const auto& c : cases) {
        if (c.stored.isNull()) {
            defaults->removeObjectForKey("StoredDevices");
        } else {
            defaults->setObject_forKey(c.stored, "StoredDevices");
        }
        EXPECT_EQ(scanner->persistantData().loadSavedDevices(), c.expected) << c.what;
    }
    // A value that is not an array is replaced by the next addition.
    defaults->setObject_forKey(Value("junk"), "StoredDevices");
    scanner->persistantData().addSavedDevice(kPhone);
    scanner->persistantData().addSavedDevice(kPhone);
    EXPECT_EQ(storedDevices(), Value(Value::Array{Value(kPhone)}));
    scanner->persistantData().removeSavedDevice(kPhone);
    EXPECT_EQ(storedDevices(), Value(Value::Array{}));
}

TEST_F(LEScannerControllerTest, ALongSleepForgetsTheMainConnectionKeepsTheSavedIdentifierAndRetrievesLater) {
    auto connection = connectPhone(kPhone);
    ASSERT_TRUE(connection);
    connection->setIgnoreForceRestartConnectionAfterLongSleep(true);
    // Not more than 20 s since a recovered peripheral is not needed: none was recovered.
    post("applicationDidWakeAfterLongSleep");
    EXPECT_EQ(scanner->mainConnection(), nullptr);
    EXPECT_FALSE(connection->ignoreForceRestartConnectionAfterLongSleep());
    EXPECT_EQ(storedDevices(), Value(Value::Array{Value(kPhone)}));
    advance(0.09);
    EXPECT_FALSE(scanner->shouldRetreiveConnectedPeripherals());
    advance(0.02);
    EXPECT_TRUE(scanner->shouldRetreiveConnectedPeripherals());
    // The found connection is still the one a new sighting takes.
    EXPECT_EQ(connectionFor(kPhone), connection);
}

// Judging advertisements, step by step ---------------------------------------------------------------------

TEST_F(LEScannerControllerTest, EachIgnoreStepStopsItsOwnAdvertisement) {
    platform::SystemVersion::setOverride("10.11.6");  // a version that looks at the maker's data
    DeviceSpecificConfig::overrideSwitchForTesting(
        DeviceSpecificConfig::kShouldIgnoreUnconnectablePeripherals, true);
    Value::Dictionary maker = {{AdvertisementData::kAppleFilterPuckType, Value(2)}};
    auto with = [](Value::Dictionary data, const char* key, Value value) {
        data[key] = std::move(value);
        return data;
    };
    struct Case {
        const char* what;
        Value::Dictionary advertisement;
        uint32_t listedWith;  // 99: not listed
        bool connects;
    };
    const Case cases[] = {
        {"listed already", phoneAdvertisement(), 4, false},
        {"not connectable", with(phoneAdvertisement(), AdvertisementData::kIsConnectable, Value(0)), 4,
         false},
        {"none of the accepted services",
         with(servicesAdvertisement("A111"), AdvertisementData::kIsConnectable, Value(1)), 99, false},
        {"a foreign local name", with(phoneAdvertisement(), AdvertisementData::kLocalName, Value("Watch")), 3,
         false},
        {"another maker's device",
         with(with(with(servicesAdvertisement(kService), AdvertisementData::kIsConnectable, Value(1)),
                   AdvertisementData::kManufacturerData, Value(platform::Data())),
              AdvertisementData::kAppleMfgData, Value(maker)),
         3, false},
        {"the phone application's name beside the maker's data",
         with(with(phoneAdvertisement(), AdvertisementData::kManufacturerData, Value(platform::Data())),
              AdvertisementData::kAppleMfgData, Value(maker)),
         99, true},
        {"the phone application", phoneAdvertisement(), 99, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string identifier = identifierFor(++n);
        addDevice(identifier);
        if (n == 1) scanner->ignorePeripheralWithUUID_forReason(identifier, LEScanner::kIgnorePermanently);
        testsupport::LogCapture log;
        advertise(identifier, c.advertisement);
        advance(0.4);  // past the connect spacing
        EXPECT_EQ(ignoredFor(identifier), c.listedWith) << c.what;
        EXPECT_EQ(backend->count("connect", identifier), c.connects ? 1u : 0u) << c.what;
        EXPECT_EQ(log.contains("Advertisment: "), n == 5) << c.what;
    }
    // A listed peripheral gets no connection object; the others do.
    EXPECT_EQ(scanner->foundConnectionCount(), std::size(cases) - 2);
}

TEST_F(LEScannerControllerTest, SightingsCountOnlyWhenMoreThanTwoAndAHalfSecondsApart) {
    addDevice(kOther);
    double start = now();
    advertise(kOther, servicesAdvertisement("A111"));
    EXPECT_EQ(offences(kOther), 1);
    advanceTo(start + 2.49);
    advertise(kOther, servicesAdvertisement("A111"));
    EXPECT_EQ(offences(kOther), 1);
    advanceTo(start + 2.51);
    advertise(kOther, servicesAdvertisement("A111"));
    EXPECT_EQ(offences(kOther), 2);
    advanceTo(start + 5.1);
    advertise(kOther, servicesAdvertisement("A111"));
    EXPECT_EQ(ignoredFor(kOther), 0u);  // the third offence lists it
}

TEST_F(LEScannerControllerTest, ASightingWithinSevenTenthsOfASecondOfAnUpdateIsDropped) {
    const std::string early = identifierFor(1), late = identifierFor(2);
    addDevice(early);
    addDevice(late);
    double start = now();
    advertise(early, servicesAdvertisement("A111"));
    advertise(late, servicesAdvertisement("A111"));
    advanceTo(start + 3.0);
    connectionFor(early)->triggerScannerTimestamp(Stamp::LastUpdate);
    connectionFor(late)->triggerScannerTimestamp(Stamp::LastUpdate);
    advanceTo(start + 3.69);
    advertise(early, servicesAdvertisement("A111"));
    advanceTo(start + 3.71);
    advertise(late, servicesAdvertisement("A111"));
    EXPECT_EQ(offences(early), 1);
    EXPECT_EQ(offences(late), 2);
}

TEST_F(LEScannerControllerTest, AConnectedPhoneIsReportedAtMostOncePerSecondAfterAnUpdate) {
    auto connection = connectPhone(kPhone);
    ASSERT_TRUE(connection);
    double start = now();
    advanceTo(start + 3.0);
    connection->triggerScannerTimestamp(Stamp::LastUpdate);
    advanceTo(start + 3.99);
    advertise(kPhone, phoneAdvertisement(), -61);
    EXPECT_EQ(delegate->count("detect:" + kPhone + ":-61"), 0u);
    EXPECT_EQ(connection->lastRSSI(), platform::Number(-61));
    advanceTo(start + 7.0);
    connection->triggerScannerTimestamp(Stamp::LastUpdate);
    advanceTo(start + 8.01);
    advertise(kPhone, phoneAdvertisement(), -62);
    EXPECT_EQ(delegate->count("detect:" + kPhone + ":-62"), 1u);
}

TEST_F(LEScannerControllerTest, AConnectionStuckDisconnectingIsForceTerminatedWithCodeOne) {
    auto connection = connectPhone(kPhone, false);
    ASSERT_TRUE(connection);
    backend->swallowCancels = true;  // the link never goes down
    double start = now();
    connection->disconnect(true);
    ASSERT_EQ(connection->scannerState(), LeScannerConnection::kStateDisconnecting);
    advanceTo(start + 0.5);
    advertise(kPhone, phoneAdvertisement());
    EXPECT_TRUE(delegate->errors().empty());
    size_t cancels = backend->count("cancel", kPhone);
    advanceTo(start + 3.1);
    advertise(kPhone, phoneAdvertisement());
    EXPECT_EQ(delegate->errors(), std::vector<std::string>{"error:1:" + kPhone});
    EXPECT_GT(backend->count("cancel", kPhone), cancels);
    EXPECT_EQ(delegate->count("detect:" + kPhone + ":-50"), 0u);
}

TEST_F(LEScannerControllerTest, ALinkWithoutThePhonesIdentifierIsLeftAloneWhileConnected) {
    delegate->proceed = false;  // the link comes up; no handshake follows
    auto device = addDevice(kOther);
    advertise(kOther, servicesAdvertisement(kService));
    advance(1);
    ASSERT_EQ(peripheralFor(kOther)->state(), platform::Peripheral::kConnected);
    advance(2);
    advertise(kOther, servicesAdvertisement("A111"));  // would count an offence if judged further
    EXPECT_EQ(offences(kOther), 0);
    EXPECT_EQ(backend->count("connect", kOther), 1u);
}

// Connecting
// --------------------------------------------------------------------------------------------------

TEST_F(LEScannerControllerTest, AttemptsAreSpacedAndTheQueueTakesTheLongestWaitingThenTheSmallerIdentifier) {
    delegate->proceed = false;
    const std::string first = identifierFor(1), third = identifierFor(3), second = identifierFor(2);
    for (const auto& id : {first, second, third}) addDevice(id);
    double start = now();
    advertise(first, phoneAdvertisement());
    advanceTo(start + 0.1);
    advertise(third, phoneAdvertisement());
    advanceTo(start + 0.2);
    advertise(second, phoneAdvertisement());
    EXPECT_EQ(scanner->pendingConnectCount(), 2u);
    advance(1);
    auto at = [&](const std::string& id) {
        auto times = backend->times("connect", id);
        return times.size() == 1 ? times[0] - start : -1.0;
    };
    EXPECT_NEAR(at(first), 0.0, 1e-6);
    EXPECT_NEAR(at(second), 0.35, 1e-6);  // neither has started connecting: the smaller identifier first
    EXPECT_NEAR(at(third), 0.70, 1e-6);
    EXPECT_EQ(scanner->pendingConnectCount(), 0u);
}

TEST_F(LEScannerControllerTest, AQueuedPeripheralThatWasForgottenDoesNotHoldBackTheOnesQueuedAfterIt) {
    delegate->proceed = false;
    const std::string a = identifierFor(1), b = identifierFor(2), c = identifierFor(3), d = identifierFor(4);
    for (const auto& id : {a, b, c, d}) addDevice(id);
    double start = now();
    advertise(a, phoneAdvertisement());
    advanceTo(start + 0.1);
    advertise(b, phoneAdvertisement());  // queued
    advanceTo(start + 0.2);
    scanner->cleanupAllConnections();  // b's connection is gone before its check at 0.35
    advanceTo(start + 0.5);
    advertise(c, phoneAdvertisement());
    advanceTo(start + 0.6);
    advertise(d, phoneAdvertisement());  // queued behind the check of c's attempt
    advance(2);
    EXPECT_EQ(backend->count("connect", b), 0u);
    auto times = backend->times("connect", d);
    ASSERT_EQ(times.size(), 1u);
    EXPECT_NEAR(times[0] - start, 0.85, 1e-6);
}

TEST_F(LEScannerControllerTest, APeripheralConnectingWithoutAConnectionIsConnectedAndCancelledInTurn) {
    auto device = addDevice(kOther);
    device->setAcceptsConnections(false);
    backend->swallowCancels = true;
    auto peripheral = peripheralFor(kOther);
    scanner->centralManager()->connectPeripheral(peripheral);  // someone else's attempt
    ASSERT_EQ(peripheral->state(), platform::Peripheral::kConnecting);
    for (int i = 0; i < 4; ++i) scanner->tryToConnectToPeripheral_RSSI(peripheral, platform::Number(0));
    EXPECT_EQ(backend->linkRequests(),
              (std::vector<std::string>{"connect:" + kOther, "connect:" + kOther, "cancel:" + kOther,
                                        "connect:" + kOther, "cancel:" + kOther}));
    EXPECT_EQ(scanner->mainErrorCount(), 0);
}

TEST_F(LEScannerControllerTest, AConnectFailureOfCodeTenReportsFiveThenFourAndAnyOtherCleansUpThenThree) {
    delegate->proceed = false;
    auto device = addDevice(kOther);
    device->failNextConnectionAttempt(BluetoothError::error(BluetoothError::kConnectionFailed));
    advertise(kOther, phoneAdvertisement());
    advance(1);
    EXPECT_EQ(delegate->errors(), (std::vector<std::string>{"error:5", "error:4"}));
    EXPECT_EQ(scanner->foundConnectionCount(), 1u);

    auto another = addDevice(kPhone);
    another->failNextConnectionAttempt(BluetoothError::error(BluetoothError::kConnectionTimeout));
    advertise(kPhone, phoneAdvertisement());
    advance(1);
    EXPECT_EQ(delegate->errors(), (std::vector<std::string>{"error:5", "error:4", "error:3"}));
    EXPECT_EQ(scanner->foundConnectionCount(), 0u);
    EXPECT_TRUE(scanner->foundPeripherals().empty());
    EXPECT_FALSE(delegate->reportedOffMainThread());
}

TEST_F(LEScannerControllerTest, IgnoreReasonsCountOrListAsTheirRulesSayWithTheMainConnectionSpared) {
    auto main = connectPhone(kPhone);
    ASSERT_TRUE(main);
    struct Case {
        uint32_t reason;
        bool onMain;
        int callsToList;  // 0: never listed
        uint32_t listedWith;
    };
    const Case cases[] = {
        {0, false, 3, 0}, {0, true, 6, 0},  {1, false, 3, 1}, {1, true, 6, 1},  {2, false, 1, 1},
        {2, true, 0, 0},  {3, false, 1, 3}, {4, false, 1, 4}, {5, false, 0, 0},
    };
    for (const auto& c : cases) {
        scanner->cleanPeripheralsForIgnoreReason(LEScanner::kIgnorePermanently);
        std::string identifier = c.onMain ? kPhone : kOther;
        std::string label =
            "reason " + std::to_string(c.reason) + (c.onMain ? " on the main connection" : "");
        int calls = c.callsToList ? c.callsToList : 10;
        for (int i = 1; i < calls; ++i) scanner->ignorePeripheralWithUUID_forReason(identifier, c.reason);
        EXPECT_EQ(ignoredFor(identifier), 99u) << label;
        scanner->ignorePeripheralWithUUID_forReason(identifier, c.reason);
        EXPECT_EQ(ignoredFor(identifier), c.callsToList ? c.listedWith : 99u) << label;
    }
    EXPECT_EQ(main->scannerState(), LeScannerConnection::kStateFullyConnected);
}

TEST_F(LEScannerControllerTest, ReasonFourDisconnectsAConnectedPeripheralAtOnce) {
    auto connection = connectPhone(kPhone, false);
    ASSERT_TRUE(connection);
    scanner->ignorePeripheralWithUUID_forReason(kPhone, LEScanner::kIgnorePermanently);
    EXPECT_EQ(connection->scannerState(), LeScannerConnection::kStateDisconnecting);
    advance(1);
    EXPECT_EQ(radio->connectedLinkCount(kPhone), 0u);
}

TEST_F(LEScannerControllerTest, ConnectionsAskTheScannerWhatItAccepts) {
    auto connection = connectPhone(kPhone, false);
    ASSERT_TRUE(connection);
    EXPECT_TRUE(scanner->scannerConnection_shouldAcceptServiceWithUUID(connection, "b4c1"));
    EXPECT_FALSE(scanner->scannerConnection_shouldAcceptServiceWithUUID(connection, "B4C2"));
    EXPECT_FALSE(scanner->scannerConnectionShouldAcceptAllServices(connection));
    scanner->clearPeripheralIgnoreList();
    advance(9.9);
    EXPECT_TRUE(scanner->scannerConnectionShouldAcceptAllServices(connection));
    advance(0.2);
    EXPECT_FALSE(scanner->scannerConnectionShouldAcceptAllServices(connection));
    EXPECT_EQ(scanner->scannerConnectionGetArrayOfServices(connection),
              std::vector<platform::BluetoothUUID>{uuid(kService)});
}

// Kept for callers outside the scanner ---------------------------------------------------------------------

TEST_F(LEScannerControllerTest, AConnectionTryingTooLongIsCountedUnsuitableAndDisconnected) {
    auto connection = connectPhone(kPhone, false);
    ASSERT_TRUE(connection);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ignoredFor(kPhone), 99u);
        scanner->connectionIsTryingToConnectForALongPeriodOfTime(connection);
        advance(1);
    }
    EXPECT_EQ(ignoredFor(kPhone), 0u);  // listed as unsuitable at the third time
    EXPECT_EQ(radio->connectedLinkCount(kPhone), 0u);
    EXPECT_EQ(delegate->count("disconnected:" + kPhone), 1u);
}

TEST_F(LEScannerControllerTest, ARestartScansAgainForTheServicesItCarries) {
    addPhone(kPhone);
    // A neighbour advertising a service of its own: only a scan for every device hears it.
    auto neighbour = addDevice(kOther, "B4C2");
    neighbour->setAdvertisementData(servicesAdvertisement("B4C2"));
    neighbour->setAdvertising(true);
    advance(3);
    EXPECT_EQ(delegate->count("discover:" + kPhone), 0u);
    scanner->restartScan(std::vector<platform::BluetoothUUID>{uuid(kService)});
    EXPECT_TRUE(scanner->isScanning());
    advance(3);
    EXPECT_EQ(delegate->count("discover:" + kPhone), 1u);
    EXPECT_EQ(backend->count("scan:services"), 1u);
    EXPECT_EQ(backend->count("scan:all"), 0u);
    // Never heard, so never judged unsuitable.
    EXPECT_EQ(offences(kOther), 0);
    EXPECT_EQ(ignoredFor(kOther), 99u);
}

// The answers of the older retrieval, and which peripherals count as connecting: only those the
// scanner took up, not the system's connected ones it merely asks the central to connect.
TEST_F(LEScannerControllerTest, OlderRetrievalConnectsRetrievedPeripheralsSpacedAndConnectedOnesAtOnce) {
    delegate->proceed = false;
    std::vector<std::shared_ptr<platform::Peripheral>> p;
    for (int n = 1; n <= 4; ++n) {
        addDevice(identifierFor(n))->setAcceptsConnections(false);
        p.push_back(peripheralFor(identifierFor(n)));
    }
    auto deliver = [&](auto call) {
        scanner->centralManager()->deliver(call);
        advance(0);
    };
    const double start = now();
    deliver([&](platform::CentralManagerDelegate& receiver, platform::CentralManager& central) {
        receiver.centralManager_didRetrieveConnectedPeripherals(central, {p[3], nullptr});
        receiver.centralManager_willRestoreState(central, {{"kCBRestoredPeripherals", Value(1)}});
    });
    EXPECT_EQ(scanner->foundConnectionCount(), 0u);
    EXPECT_FALSE(scanner->isAnyPeripheralConnecting());
    deliver([&](platform::CentralManagerDelegate& receiver, platform::CentralManager& central) {
        receiver.centralManager_didRetrievePeripherals(central, {p[0], nullptr, p[1]});
    });
    EXPECT_TRUE(scanner->isAnyPeripheralConnecting());
    advance(1);
    deliver([&](platform::CentralManagerDelegate& receiver, platform::CentralManager& central) {
        receiver.centralManager_didRetrievePeripheral(central, p[2]);
    });
    const double expected[] = {0, 0.35, 1, 0};
    for (int n = 1; n <= 4; ++n) {
        auto times = backend->times("connect", identifierFor(n));
        ASSERT_EQ(times.size(), 1u) << n;
        EXPECT_NEAR(times[0] - start, expected[n - 1], 1e-6) << n;
    }
    EXPECT_EQ(scanner->foundConnectionCount(), 3u);
    scanner->cleanupAllConnections();
    EXPECT_FALSE(scanner->isAnyPeripheralConnecting());
}
