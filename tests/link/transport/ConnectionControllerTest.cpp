#include "link/transport/ConnectionController.h"

#include "app/records/MobileSettingsLocal.h"
#include "link/transport/RecoveryManager.h"
#include "link/transport/ScanningIndicator.h"
#include "platform/base/Strings.h"
#include "platform/bluetooth/BluetoothError.h"
#include "tests/link/LinkFixture.h"

using kestrune::ConnectionController;
using kestrune::DataManager;
using kestrune::LEScannerDelegate;
using kestrune::PairingInfo;
using platform::Number;

namespace {

const std::string kPhone = linktests::kTrackedPhone;
const std::string kPeripheral = linktests::kTrackedPeripheral;
const std::string kOther = "PHONE-O";
const std::string kOtherPeripheral = "9A8B7C6D-5E4F-4A3B-9C2D-1E0F9A8B7C6D";

class ConnectionControllerTest : public linktests::LinkFixture {
protected:
    // The tracked phone stored with both its service identifiers.
    void storeTracked() {
        storePhone(kPhone, PairingInfo::kConnectionStatusPaired);
        settings(kPhone)->pairingInfo()->setForegroundServiceId2(std::string("B4C2"));
    }
    std::shared_ptr<platform::PhonePeripheral> connectTracked() {
        auto phone = connectTrackedPhone(
            [](auto& settings) { settings.pairingInfo()->setForegroundServiceId2(std::string("B4C2")); });
        // As the coordinator does once the tracked phone is connected and synchronised.
        controller->didEstablishConnectionAndFinishedSynWithDevice(device(kPhone));
        advance(0.1);
        return phone;
    }
};

}  // namespace

TEST_F(ConnectionControllerTest, ScanListsByStateWithRecoveryOnAndOff) {
    struct Case {
        uint32_t state;
        bool recovery;
        std::vector<std::string> services;  // empty: scanning stops
    };
    const std::vector<Case> cases = {
        {ConnectionController::kStateNoPhone, false, {}},
        {ConnectionController::kStateNoPhone, true, {"B4FE", "B4FA"}},
        {ConnectionController::kStateTrackedNotConnected, false, {"B4C1", "B4C2"}},
        {ConnectionController::kStateTrackedNotConnected, true, {"B4C1", "B4C2", "B4FE", "B4FA"}},
        {ConnectionController::kStatePairing, false, {}},
        {ConnectionController::kStatePairing, true, {}},
        {ConnectionController::kStateTrackedConnected, false, {}},
        {ConnectionController::kStateTrackedConnected, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.state) + (c.recovery ? " recovery" : ""));
        TearDown();
        SetUp();
        if (c.state == ConnectionController::kStateTrackedConnected) {
            connectTracked();
        } else {
            if (c.state == ConnectionController::kStateTrackedNotConnected) storeTracked();
            if (c.state == ConnectionController::kStatePairing) {
                auto pairing = storePhone(kOther, PairingInfo::kConnectionStatusPairingRequested);
                DataManager::shared().setPairingMobileDevice(pairing);
            }
            start();
            // A scan of the earlier state is running; the new one must replace or stop it.
            scanner().setServiceUUIDsToSearchFor({"B4D0"});
            advance(0.2);
            scanner().executeSingleScan();
            advance(0.01);
            ASSERT_TRUE(scanner().isScanning());
        }
        if (c.recovery) kestrune::RecoveryManager::shared().startRecoveryMode();
        link().executeScan();
        advance(0.1);
        EXPECT_EQ(link().currentConnectionState(), c.state);
        EXPECT_EQ(scanner().isScanning(), !c.services.empty());
        if (!c.services.empty()) {
            EXPECT_EQ(scanner().acceptedServices(), c.services);
        }
    }
}

TEST_F(ConnectionControllerTest, EveryConnectionStoresTheKnownPhoneWithANewSecondServiceId) {
    auto phone = connectTracked();
    ASSERT_TRUE(marked(kPhone));
    auto first = settings(kPhone)->pairingInfo()->foregroundServiceId2();
    ASSERT_TRUE(first);
    EXPECT_NE(*first, "B4C2");
    EXPECT_EQ(settings(kPhone)->pairingInfo()->foregroundServiceId(), "B4C1");
    EXPECT_EQ(delegate->count("syncing:" + kPhone), 1u);
    // The tracked phone is cached as the known peripheral, and motion is stamped.
    ASSERT_TRUE(scanner().mainConnection());
    EXPECT_EQ(scanner().mainConnection()->peripheralIdentifier(), kPeripheral);
    EXPECT_EQ(motion->count, 1);
    EXPECT_EQ(link().currentConnectionState(), ConnectionController::kStateTrackedConnected);
    // Saved at once: a new process reads the new identifier.
    auto& reloaded = relaunch();
    EXPECT_EQ(reloaded.settingsForDeviceId(kPhone)->pairingInfo()->foregroundServiceId2(), first);
}

TEST_F(ConnectionControllerTest, SecondServiceIdChangesOnReconnection) {
    auto phone = connectTracked();
    auto first = *settings(kPhone)->pairingInfo()->foregroundServiceId2();
    phone->walkAway(0.5);
    advance(4);
    ASSERT_FALSE(marked(kPhone));
    // The phone application advertises what the Mac told it.
    phone->setServiceUUIDs({platform::BluetoothUUID::constant("B4C1")});
    phone->comeBack(0.5);
    scanAndSettle(4);
    ASSERT_TRUE(marked(kPhone));
    EXPECT_NE(*settings(kPhone)->pairingInfo()->foregroundServiceId2(), first);
}

TEST_F(ConnectionControllerTest, WalkingAwayDisconnectsMarksAndRescansForThePhonesTwoIds) {
    auto phone = connectTracked();
    ASSERT_TRUE(marked(kPhone));
    auto second = *settings(kPhone)->pairingInfo()->foregroundServiceId2();
    EXPECT_FALSE(scanner().isScanning());
    phone->walkAway(0.5);
    advance(4);
    EXPECT_EQ(delegate->count("disconnected:" + kPhone), 1u);
    EXPECT_FALSE(marked(kPhone));
    EXPECT_GT(
        DataManager::shared().localSettingsForDevice(kPhone)->disconnectTimestamp().eventTimeSince1970(), 0);
    EXPECT_TRUE(link().dictOfConnections().empty());
    EXPECT_TRUE(scanner().isScanning());
    EXPECT_EQ(scanner().acceptedServices(),
              (std::vector<std::string>{"B4C1", platform::toUpperASCII(second)}));
    EXPECT_EQ(link().currentConnectionState(), ConnectionController::kStateTrackedNotConnected);
}

TEST_F(ConnectionControllerTest, BluetoothLEOffDisconnectsEveryPhone) {
    // Two phones connected in recovery mode (with a tracked phone connected, no other phone would be).
    addPhone(kPhone, kPeripheral, "B4FE");
    addPhone(kOther, kOtherPeripheral, "B4FE");
    kestrune::RecoveryManager::shared().startRecoveryMode();
    start();
    scanAndSettle();
    ASSERT_TRUE(marked(kPhone));
    ASSERT_TRUE(marked(kOther));
    radio->setControllerPowered(false);
    advance(3);
    EXPECT_EQ(delegate->count("disconnected:" + kPhone), 1u);
    EXPECT_EQ(delegate->count("disconnected:" + kOther), 1u);
    EXPECT_FALSE(marked(kPhone));
    EXPECT_FALSE(marked(kOther));
    EXPECT_TRUE(link().dictOfConnections().empty());
}

TEST_F(ConnectionControllerTest, ScannerErrorKindsAsTabled) {
    connectTracked();
    ASSERT_FALSE(link().dictOfConnections().empty());
    auto& receiver = static_cast<LEScannerDelegate&>(link());
    // Kind 1 while the tracked phone is connected leaves every connection alone.
    receiver.scanner_didExperienceError_forConnection(scanner(), 1, nullptr);
    EXPECT_EQ(scanner().connectedConnections().size(), 1u);
    EXPECT_EQ(backend->count("cancel"), 0u);
    // Kind 3 forgets the stored connections.
    receiver.scanner_didExperienceError_forConnection(scanner(), 3, nullptr);
    EXPECT_TRUE(link().dictOfConnections().empty());
    // Kinds 4 and 5 reach the coordinator as the fatal error and the corrupted cache; others nothing.
    delegate->events.clear();
    for (int64_t kind : {4, 5, 2, 6})
        receiver.scanner_didExperienceError_forConnection(scanner(), kind, nullptr);
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"fatal", "corrupted"}));
}

TEST_F(ConnectionControllerTest, KindOneCleansUpWhenTheTrackedPhoneIsAwayAndNobodyPairs) {
    addPhone(kOther, kOtherPeripheral, "B4FE");
    kestrune::RecoveryManager::shared().startRecoveryMode();
    start();
    scanAndSettle();
    ASSERT_TRUE(marked(kOther));
    static_cast<LEScannerDelegate&>(link()).scanner_didExperienceError_forConnection(scanner(), 1, nullptr);
    EXPECT_EQ(backend->count("cancel", kOtherPeripheral), 1u);
    EXPECT_TRUE(scanner().connectedConnections().empty());
}

TEST_F(ConnectionControllerTest, AFailedConnectionWithCode10ReportsCorruptedCacheThenFatalError) {
    storeTracked();
    auto phone = addPhone(kPhone, kPeripheral);
    phone->failNextConnectionAttempt(
        platform::Error{"CBErrorDomain", platform::BluetoothError::kConnectionFailed, "failed"});
    start();
    scanAndSettle();
    EXPECT_EQ(delegate->matching("corrupted").size(), 1u);
    EXPECT_EQ(delegate->matching("fatal").size(), 1u);
}

TEST_F(ConnectionControllerTest, StartUpClearsTheIgnoreListAfter3SecondsWhenLEIsSupported) {
    for (bool supported : {true, false}) {
        SCOPED_TRACE(supported);
        TearDown();
        SetUp();
        radio->setLowEnergySupported(supported);
        // The coordinator has the support checked before the link starts.
        kestrune::BluetoothLE::shared();
        advance(0.1);
        controller = kestrune::RequestController::init();
        scanner().ignorePeripheralWithUUID_forReason(kOtherPeripheral,
                                                     kestrune::LEScanner::kIgnorePermanently);
        advance(2.99);
        EXPECT_EQ(ignoredFor(kOtherPeripheral), kestrune::LEScanner::kIgnorePermanently);
        advance(0.02);
        EXPECT_EQ(ignoredFor(kOtherPeripheral), supported ? 99u : kestrune::LEScanner::kIgnorePermanently);
    }
}

TEST_F(ConnectionControllerTest, APhoneTheFilterRefusesGets54AndATemporaryBlacklist) {
    // Another known phone connects while the tracked one is stored and recovery mode is off.
    storeTracked();
    storePhone(kOther, PairingInfo::kConnectionStatusUnlinkedForAnotherPhone);
    start();
    auto other = addPhone(kOther, kOtherPeripheral);
    scanAndSettle();
    ASSERT_TRUE(other->phone()->isAuthenticated());
    EXPECT_EQ(received(other), std::vector<std::string>{"54|"});
    EXPECT_NE(ignoredFor(kOtherPeripheral), 99u);
    EXPECT_EQ(delegate->count("syncing:" + kOther), 0u);
    EXPECT_EQ(motion->count, 0);
}

TEST_F(ConnectionControllerTest, TheTrackedPhonesSignalIsReadAtMostEvery2Seconds) {
    auto phone = connectTracked();
    phone->setRSSI(-67);
    size_t before = backend->count("readRSSI");
    // The connected tracked phone is scanned for every 1.1 s; every second scan may read.
    advance(11);
    size_t reads = backend->count("readRSSI") - before;
    EXPECT_GE(reads, 4u);
    EXPECT_LE(reads, 5u);
    ASSERT_FALSE(intake->readings.empty());
    EXPECT_EQ(intake->readings.back(), "PHONE-T:67");
    EXPECT_EQ(delegate->matching("distance:").back(), "distance:PHONE-T:67");
}

TEST_F(ConnectionControllerTest, AProtocolVersionMismatchReachesTheCoordinator) {
    storeTracked();
    auto phone = addPhone(kPhone, kPeripheral);
    phone->phone()->setProtocolVersion("9.0");
    start();
    scanAndSettle();
    EXPECT_FALSE(delegate->matching("version:").empty());
}
