#include "link/transport/LeScannerConnection.h"

#include "platform/bluetooth/BluetoothError.h"
#include "platform/bluetooth/Characteristic.h"
#include "platform/bluetooth/Service.h"
#include "platform/sim/radio/PhonePeripheral.h"
#include "tests/link/BluetoothFixture.h"
#include "tests/link/ScannerStandIn.h"

using connectiontests::ControllerStandIn;
using connectiontests::ScannerStandIn;
using kestrune::LeScannerConnection;
using platform::BluetoothError;
using platform::BluetoothUUID;
using platform::Radio;
using Operation = platform::SimulatedPeripheral::Operation;

namespace {

const char* kPhoneIdentifier = "0E7A1C55-3B1D-4F6A-9C2E-5D8B7A6F4E31";
const std::string S = "\u02FD";

class LeScannerConnectionTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        radio = Radio::shared();
        phone = std::make_shared<platform::SimulatedPhone>();
        device = platform::PhonePeripheral::create(phone, {uuid("B4C1")}, kPhoneIdentifier);
        radio->addPeripheral(device);
        controller = std::make_shared<ControllerStandIn>();
        scanner = ScannerStandIn::create({uuid("B4C1")}, controller);
        advance(0.1);  // the central is powered on
    }
    void TearDown() override {
        runUntilIdle();
        connection.reset();
        scanner.reset();
        KestruneTest::TearDown();
    }

    static BluetoothUUID uuid(const char* text) { return BluetoothUUID::constant(text); }

    // Connects; the link comes up after the radio's connection latency.
    void start() {
        connection = scanner->connectionFor(kPhoneIdentifier);
        ASSERT_TRUE(connection);
        connection->connect();
    }
    void connectFully() {
        start();
        advance(1);
        ASSERT_TRUE(connection->isConnected());
    }
    void advanceTo(double time) { advance(std::max(0.0, time - now())); }
    bool stuckIn(uint32_t state) const { return scanner->count("stuck:" + std::to_string(state)) > 0; }
    // Checks that the state is reported stuck exactly at its time limit after it was entered.
    void expectStuckAfter(uint32_t state, double limit) {
        advance(0.5);
        double entered = scanner->entered(state);
        ASSERT_GT(entered, 0) << "state " << state << " was never entered";
        advanceTo(entered + limit - 0.01);
        EXPECT_FALSE(stuckIn(state));
        EXPECT_EQ(connection->scannerState(), state);
        advanceTo(entered + limit + 0.01);
        EXPECT_TRUE(stuckIn(state));
        // The scanner's answer: disconnected as an error.
        auto states = scanner->states();
        ASSERT_GE(states.size(), 2u);
        EXPECT_EQ(states[states.size() - 2], LeScannerConnection::kStateDisconnectingBecauseOfError);
        EXPECT_EQ(states.back(), LeScannerConnection::kStateDisconnecting);
    }

    std::shared_ptr<Radio> radio;
    std::shared_ptr<platform::SimulatedPhone> phone;
    std::shared_ptr<platform::PhonePeripheral> device;
    std::shared_ptr<ControllerStandIn> controller;
    std::shared_ptr<ScannerStandIn> scanner;
    std::shared_ptr<LeScannerConnection> connection;
};

}  // namespace

TEST_F(LeScannerConnectionTest, RunsFromTheLinkToAnAuthenticatedConnectionAndReadsTheSignal) {
    start();
    advance(1);
    EXPECT_EQ(scanner->states(), (std::vector<uint32_t>{1, 2, 3, 5, 7, 8, 10}));
    EXPECT_TRUE(connection->isConnected());
    EXPECT_EQ(connection->unId(),
              phone->macIdentifier().empty() ? "" : "5C1E7A52-0B9D-4E43-9A77-6A0C2F1D3B84");
    EXPECT_EQ(connection->serviceId(), std::optional<std::string>("b4c1"));
    EXPECT_EQ(connection->peripheralIdentifier(), kPhoneIdentifier);
    EXPECT_TRUE(phone->isAuthenticated());
    EXPECT_EQ(controller->events(), std::vector<std::string>{"connected"});
    // Only the reading characteristic is subscribed.
    EXPECT_TRUE(radio->isSubscribed(kPhoneIdentifier, uuid("DA18")));
    EXPECT_FALSE(radio->isSubscribed(kPhoneIdentifier, uuid("DA19")));
    // The keep-alive starts once the connection is full, and the phone's answer acknowledged the chunks.
    EXPECT_EQ(phone->receivedCommandWords(), (std::vector<std::string>{"I!", "aD!", "kA"}));
    EXPECT_EQ(connection->lengthOfDataToSend(), 0u);

    connection->updateRSSI();
    advance(0.1);
    EXPECT_EQ(controller->events().back(), "rssi:-50");

    phone->sendApplicationMessage(7, std::string("hello from the phone"));
    connection->sendString_onPrimaryChannel(S + "9" + S + "hello from the Mac", true);
    advance(0.5);
    EXPECT_EQ(controller->events().back(), "message:" + S + "7" + S + "hello from the phone");
    ASSERT_EQ(phone->receivedMessages().size(), 1u);
    EXPECT_EQ(phone->receivedMessages()[0].request, 9);
    EXPECT_EQ(phone->receivedMessages()[0].payload, std::optional<std::string>("hello from the Mac"));
    EXPECT_FALSE(controller->calledOffMainThread());
}

TEST_F(LeScannerConnectionTest, AConnectionThatIsAlreadyUpGoesStraightToDiscovery) {
    connectFully();
    size_t before = scanner->count("command:0");
    connection->connect();  // fully connected: nothing
    advance(1);
    EXPECT_EQ(scanner->count("command:0"), before);
}

TEST_F(LeScannerConnectionTest, TwoLinkReportsWithinHalfASecondRunDiscoveryOnce) {
    start();
    advance(0.2);
    connection->connectionEstablished();
    advance(0.2);
    auto states = scanner->states();
    EXPECT_EQ(std::count(states.begin(), states.end(), LeScannerConnection::kStateDiscoveringServices), 1);
    advance(0.2);
    connection->connectionEstablished();
    advance(1);
    states = scanner->states();
    EXPECT_EQ(std::count(states.begin(), states.end(), LeScannerConnection::kStateDiscoveringServices), 2);
    EXPECT_TRUE(connection->isConnected());
}

TEST_F(LeScannerConnectionTest, AScannerThatDoesNotWantThePeripheralStopsItAtTheLink) {
    scanner->proceedWithConnecting = false;
    start();
    advance(2);
    EXPECT_EQ(scanner->states(), (std::vector<uint32_t>{1, 2}));
}

// Each stuck state times out at its bound ----------------------------------------------------------------

TEST_F(LeScannerConnectionTest, ServiceDiscoveryIsStuckAfterTwoAndAHalfSeconds) {
    device->setStalled(Operation::DiscoverServices, true);
    start();
    expectStuckAfter(LeScannerConnection::kStateDiscoveringServices, 2.5);
}

TEST_F(LeScannerConnectionTest, CharacteristicDiscoveryIsStuckAfterTwoAndAHalfSeconds) {
    device->setStalled(Operation::DiscoverCharacteristics, true);
    start();
    expectStuckAfter(LeScannerConnection::kStateDiscoveringCharacteristics, 2.5);
}

TEST_F(LeScannerConnectionTest, SubscribingIsStuckAfterFiveSeconds) {
    device->setStalled(Operation::SetNotify, true);
    start();
    expectStuckAfter(LeScannerConnection::kStateSubscribing, 5.0);
}

TEST_F(LeScannerConnectionTest, TheHandshakeIsStuckAfterFiveSeconds) {
    phone->setAcceptsMacAnswer(false);
    start();
    expectStuckAfter(LeScannerConnection::kStateAuthenticating, 5.0);
}

TEST_F(LeScannerConnectionTest, BeforeTenTenEveryTimedStateWaitsFiveSeconds) {
    platform::SystemVersion::setOverride("10.9.5");
    device->setStalled(Operation::DiscoverServices, true);
    start();
    expectStuckAfter(LeScannerConnection::kStateDiscoveringServices, 5.0);
}

TEST_F(LeScannerConnectionTest, AStateLeftInTimeIsNotReportedStuck) {
    start();
    advance(10);
    EXPECT_EQ(scanner->reports(), std::vector<std::string>{"command:0"});
    EXPECT_TRUE(connection->isConnected());
}

// Each injected error takes its path ---------------------------------------------------------------------

TEST_F(LeScannerConnectionTest, DiscoveryErrorsDisconnect) {
    device->failNext(Operation::DiscoverServices, BluetoothError::error(BluetoothError::kUnknown));
    start();
    advance(1);
    EXPECT_EQ(scanner->states().back(), LeScannerConnection::kStateDisconnecting);
    EXPECT_EQ(scanner->count("command:1"), 1u);

    device->failNext(Operation::DiscoverCharacteristics,
                     BluetoothError::attributeError(BluetoothError::kAttributeInvalidHandle));
    connection->setInternalDelegate(scanner);
    connection->connect();
    advance(1);
    auto states = scanner->states();
    EXPECT_EQ(states[states.size() - 2], LeScannerConnection::kStateDiscoveringCharacteristics);
    EXPECT_EQ(states.back(), LeScannerConnection::kStateDisconnecting);
    EXPECT_EQ(scanner->count("corrupted"), 0u);  // the table is for subscriptions, values and writes
}

TEST_F(LeScannerConnectionTest, ASubscriptionRefusedForAuthorisationMeansACorruptedCache) {
    device->failNext(Operation::SetNotify,
                     BluetoothError::attributeError(BluetoothError::kAttributeInsufficientAuthorization));
    start();
    advance(1);
    EXPECT_EQ(scanner->count("corrupted"), 1u);
    EXPECT_EQ(scanner->count("unsolvable"), 0u);
    EXPECT_EQ(scanner->states().back(), LeScannerConnection::kStateDisconnecting);
}

TEST_F(LeScannerConnectionTest, OnTheTenNineSystemASubscriptionErrorIsUnsolvable) {
    platform::SystemVersion::setOverride("10.9.5");
    device->failNext(Operation::SetNotify,
                     BluetoothError::attributeError(BluetoothError::kAttributeUnlikelyError));
    start();
    advance(1);
    EXPECT_EQ(scanner->count("unsolvable"), 1u);
    EXPECT_EQ(scanner->count("corrupted"), 0u);
}

TEST_F(LeScannerConnectionTest, AnInvalidHandleIsACorruptedCacheOnlyWhileSubscribing) {
    // The first notification of the phone's answer arrives while the connection is in state 7.
    device->failNext(Operation::ValueUpdate,
                     BluetoothError::attributeError(BluetoothError::kAttributeInvalidHandle));
    start();
    advance(1);
    EXPECT_EQ(scanner->count("corrupted"), 1u);

    scanner->reports();
    phone->setAcceptsMacAnswer(true);
    device->dropConnections();
    advance(1);
    connection->setInternalDelegate(scanner);
    connection->connect();
    advance(1);
    ASSERT_TRUE(connection->isConnected());
    device->failNext(Operation::ValueUpdate,
                     BluetoothError::attributeError(BluetoothError::kAttributeInvalidHandle));
    device->failNext(Operation::Write,
                     BluetoothError::attributeError(BluetoothError::kAttributeRequestNotSupported));
    phone->sendApplicationMessage(7, std::string("x"));
    connection->sendString_onPrimaryChannel(S + "9" + S + "y", true);
    advance(1);
    EXPECT_EQ(scanner->count("corrupted"), 1u);
    EXPECT_TRUE(connection->isConnected());
}

TEST_F(LeScannerConnectionTest, AnInvalidParameterErrorOnAWriteIsACorruptedCache) {
    connectFully();
    device->failNext(Operation::Write, BluetoothError::error(BluetoothError::kInvalidParameters));
    connection->sendString_onPrimaryChannel(S + "9" + S + "y", true);
    advance(1);
    EXPECT_EQ(scanner->count("corrupted"), 1u);
}

TEST_F(LeScannerConnectionTest, AnUnknownErrorForceTerminatesOnlyBeforeTenThirteen) {
    connectFully();
    device->failNext(Operation::Write, BluetoothError::error(BluetoothError::kUnknown));
    connection->sendString_onPrimaryChannel(S + "9" + S + "y", true);
    advance(1);
    EXPECT_EQ(scanner->count("command:1"), 0u);
    EXPECT_TRUE(connection->isConnected());

    platform::SystemVersion::setOverride("10.12.6");
    device->failNext(Operation::Write, BluetoothError::error(BluetoothError::kUnknown));
    connection->sendString_onPrimaryChannel(S + "9" + S + "y", true);
    advance(1);
    EXPECT_EQ(scanner->count("command:1"), 1u);
    EXPECT_EQ(controller->events().back(), "disconnected");
}

TEST_F(LeScannerConnectionTest, ALostLinkPassesThirteenRestsInTwelveAndTellsTheController) {
    connectFully();
    device->dropConnections(BluetoothError::error(BluetoothError::kPeripheralDisconnected));
    advance(0.1);
    auto states = scanner->states();
    EXPECT_EQ(states[states.size() - 2], LeScannerConnection::kStateLinkLost);
    EXPECT_EQ(states.back(), LeScannerConnection::kStateDisconnecting);
    EXPECT_EQ(controller->events().back(), "disconnected");
    EXPECT_FALSE(phone->isAuthenticated());
    // No timer of the disconnection fires later.
    size_t reports = scanner->reports().size();
    advance(5);
    EXPECT_EQ(scanner->reports().size(), reports);
    // The next attempt runs the whole way again.
    connection->connect();
    advance(1);
    EXPECT_TRUE(connection->isConnected());
}

TEST_F(LeScannerConnectionTest, ASignalReadingOf127LeavesTheConnectionUpButNotConnected) {
    connectFully();
    device->overrideNextRSSIReading(127);
    connection->updateRSSI();
    advance(0.1);
    EXPECT_EQ(connection->scannerState(), LeScannerConnection::kStateDisconnectingBecauseOfError);
    EXPECT_FALSE(connection->isConnected());
    EXPECT_EQ(radio->connectedLinkCount(kPhoneIdentifier), 1u);
    EXPECT_EQ(scanner->count("command:1"), 0u);
    EXPECT_EQ(controller->count("rssi:127"), 0u);
}

TEST_F(LeScannerConnectionTest, OlderSystemsReadTheSignalThroughTheOlderCallback) {
    platform::SystemVersion::setOverride("10.12.6");
    connectFully();
    device->setRSSI(-63);
    connection->updateRSSI();
    advance(0.1);
    EXPECT_EQ(controller->events().back(), "rssi:-63");
}

TEST_F(LeScannerConnectionTest, AWrongAnswerToTheChallengeFailsTheHandshake) {
    phone->setChallengeAnswer(platform::SimulatedPhone::ChallengeAnswer::Wrong);
    start();
    advance(1);
    // Failed, disconnecting; the link then goes down and the connection rests in 12.
    EXPECT_EQ(scanner->states(), (std::vector<uint32_t>{1, 2, 3, 5, 7, 8, 9, 12, 13, 12}));
    EXPECT_EQ(phone->receivedCommandWords().back(), "shutD!");
    EXPECT_EQ(controller->count("connected"), 0u);
}

TEST_F(LeScannerConnectionTest, AVersionMismatchReachesTheScannerOnTheMainQueue) {
    phone->setProtocolVersion("1.2");
    start();
    advance(1);
    EXPECT_EQ(scanner->count("version:1"), 1u);
    EXPECT_FALSE(scanner->versionReportOffMainThread());
    EXPECT_FALSE(connection->isConnected());
}

TEST_F(LeScannerConnectionTest, APhoneThatStopsAnsweringKeepAlivesIsDisconnected) {
    connectFully();
    phone->setAnswersKeepAlive(false);
    connection->setKeepAliveInterval(8);  // a keep-alive now, and its answer awaited for 6.5 s
    advance(6.4);
    EXPECT_EQ(controller->count("disconnected"), 0u);
    advance(0.2);
    EXPECT_EQ(controller->count("disconnected"), 1u);
    EXPECT_EQ(scanner->count("command:1"), 1u);
}

// Services ----------------------------------------------------------------------------------------------

TEST_F(LeScannerConnectionTest, APeripheralWithoutTheServiceIsNotAppropriate) {
    device->setServiceUUIDs({uuid("B999")});
    start();
    advance(1);
    EXPECT_EQ(scanner->count("notAppropriate"), 1u);
    EXPECT_EQ(scanner->count("inappropriateServices"), 0u);
    EXPECT_EQ(scanner->states().back(), LeScannerConnection::kStateDisconnecting);
}

TEST_F(LeScannerConnectionTest, FoundServicesNoneOfWhichIsWantedAnyMoreAreInappropriateUpToThree) {
    device->setServiceUUIDs({uuid("B991"), uuid("B992")});
    scanner->setServices({uuid("B991"), uuid("B992")});
    start();
    advance(0.105);  // the link is up and the discovery asked for
    ASSERT_EQ(connection->scannerState(), LeScannerConnection::kStateDiscoveringServices);
    scanner->setServices({uuid("B4C1")});
    advance(1);
    EXPECT_EQ(scanner->count("notAppropriate"), 1u);
    EXPECT_EQ(scanner->count("inappropriateServices"), 1u);
}

TEST_F(LeScannerConnectionTest, MoreThanThreeUnwantedServicesMakeTheConnectionDisconnectItself) {
    std::vector<BluetoothUUID> four{uuid("B991"), uuid("B992"), uuid("B993"), uuid("B994")};
    device->setServiceUUIDs(four);
    scanner->setServices(four);
    scanner->honourCancel = false;
    start();
    advance(0.105);
    scanner->setServices({uuid("B4C1")});
    advance(0.1);
    EXPECT_EQ(scanner->count("notAppropriate"), 1u);
    EXPECT_EQ(scanner->count("inappropriateServices"), 0u);
    EXPECT_EQ(scanner->states().back(), LeScannerConnection::kStateDisconnecting);
}

TEST_F(LeScannerConnectionTest, WhileAcceptingAllServicesAnyOfTypeBelowTwoIsTaken) {
    device->setServiceUUIDs({uuid("A123"), uuid("B4C2")});
    scanner->setServices({uuid("A123"), uuid("B4C2")});
    scanner->acceptAllServices = true;
    start();
    advance(0.105);
    scanner->setServices({uuid("B4C1")});
    advance(1);
    EXPECT_TRUE(connection->isConnected());
    EXPECT_EQ(connection->serviceId(), std::optional<std::string>("b4c2"));
}

TEST_F(LeScannerConnectionTest, AMissingFastReadingCharacteristicMakesTheConnectionInappropriate) {
    auto bare = std::make_shared<platform::SimulatedPeripheral>("D0000000-0000-4000-8000-00000000000D");
    bare->setServices({{uuid("B4C1"),
                        {{uuid("DA16"), platform::Characteristic::kPropertyWriteWithoutResponse},
                         {uuid("DA17"), platform::Characteristic::kPropertyWrite},
                         {uuid("DA18"), platform::Characteristic::kPropertyNotify}}}});
    radio->addPeripheral(bare);
    connection = scanner->connectionFor(bare->identifier());
    connection->connect();
    advance(1);
    auto states = scanner->states();
    EXPECT_NE(std::find(states.begin(), states.end(), LeScannerConnection::kStateNoAppropriateServices),
              states.end());
    EXPECT_EQ(scanner->count("notAppropriate"), 1u);
    EXPECT_FALSE(radio->isSubscribed(bare->identifier(), uuid("DA18")));
}

TEST_F(LeScannerConnectionTest, ChangedServicesDisconnectTheFirstTimeThenOnlyWhenTheyAreThePhones) {
    device->setServiceUUIDs({uuid("B4C1"), uuid("B4C2")});
    connectFully();
    device->modifyServices({uuid("B4C2")});
    advance(0.5);
    EXPECT_EQ(controller->count("disconnected"), 1u);

    connection->connect();
    advance(1);
    ASSERT_TRUE(connection->isConnected());
    device->modifyServices({uuid("B4C2")});
    advance(0.5);
    EXPECT_TRUE(connection->isConnected());
    device->modifyServices({uuid("B4C1")});
    advance(0.5);
    EXPECT_EQ(controller->count("disconnected"), 2u);
}

// Changes to another service of the phone disconnect again only once 300 s have passed since the last
// change that did.
TEST_F(LeScannerConnectionTest, ChangesToAnotherServiceDisconnectAgainOnlyAfterThreeHundredSeconds) {
    device->setServiceUUIDs({uuid("B4C1"), uuid("B4C2")});
    connectFully();
    auto target = connection->peripheral();
    ASSERT_TRUE(target);
    auto other = std::make_shared<platform::Service>(uuid("B4C2"), true, target);
    // Whether the change started a disconnection (it does so at once).
    auto changeOtherDisconnects = [&] {
        connection->peripheral_didModifyServices(*target, {other});
        bool disconnecting = connection->isInDisconectingProcess();
        advance(0.5);
        return disconnecting;
    };
    const double first = now();
    EXPECT_TRUE(changeOtherDisconnects());

    connection->connect();
    advance(1);
    ASSERT_TRUE(connection->isConnected());
    advanceTo(first + 299.99);
    EXPECT_FALSE(changeOtherDisconnects());
    advanceTo(first + 300.01);
    EXPECT_TRUE(changeOtherDisconnects());
}

// Orderly disconnection ----------------------------------------------------------------------------------

TEST_F(LeScannerConnectionTest, DisconnectingSaysGoodbyeAndCancelsTheLinkAtOnceFromTenThirteen) {
    connectFully();
    connection->disconnect(true);
    EXPECT_TRUE(connection->isInDisconectingProcess());
    EXPECT_TRUE(connection->inDisconnectTimestampValue().isSet());
    advance(0.5);
    EXPECT_EQ(phone->receivedCommandWords().back(), "shutD!");
    EXPECT_EQ(scanner->count("command:1"), 1u);
    EXPECT_EQ(controller->events().back(), "disconnected");
    EXPECT_EQ(radio->connectedLinkCount(kPhoneIdentifier), 0u);
    advance(5);
    EXPECT_EQ(scanner->count("command:1"), 1u);
}

TEST_F(LeScannerConnectionTest, BeforeTenThirteenDisconnectingUnsubscribesAndTerminatesOnTheConfirmation) {
    platform::SystemVersion::setOverride("10.12.6");
    connectFully();
    connection->disconnect(true);
    EXPECT_TRUE(connection->shouldWaitForCharacteristicStateUpdateToDisconnect());
    EXPECT_EQ(scanner->count("command:1"), 0u);
    advance(0.5);
    EXPECT_FALSE(radio->isSubscribed(kPhoneIdentifier, uuid("DA18")));
    EXPECT_FALSE(connection->shouldWaitForCharacteristicStateUpdateToDisconnect());
    EXPECT_EQ(scanner->count("command:1"), 1u);
    EXPECT_EQ(controller->events().back(), "disconnected");
}

TEST_F(LeScannerConnectionTest, ARepeatedDisconnectForceTerminatesOnlyAfterItsSpacing) {
    scanner->honourCancel = false;
    connectFully();
    double start = now();
    connection->disconnect(true);
    EXPECT_EQ(scanner->count("command:1"), 1u);  // the immediate cancel, which the scanner ignores
    advance(0.5);
    connection->disconnect(true);
    EXPECT_EQ(scanner->count("command:1"), 1u);
    // The force-disconnect timer gives up waiting after 1.0 s and terminates.
    advanceTo(start + 1.01);
    EXPECT_EQ(scanner->count("command:1"), 2u);
    connection->setInternalDelegate(scanner);  // as the scanner does when it meets the peripheral again
    advanceTo(start + 1.5);
    connection->disconnect(true);  // 0.5 s after the forced termination
    EXPECT_EQ(scanner->count("command:1"), 2u);
    advanceTo(start + 2.1);
    connection->disconnect(true);
    EXPECT_EQ(scanner->count("command:1"), 3u);
}

// When the phone gives up its subscription first, the force timer finds nothing to wait for and only the
// safety timer ends the disconnection, 1.8 s after it began: a repeated disconnect before then is no
// reason to force it.
TEST_F(LeScannerConnectionTest, ARepeatedDisconnectWithinOnePointEightSecondsDoesNotForce) {
    scanner->honourCancel = false;
    connectFully();
    const double start = now();
    connection->disconnect(true);
    ASSERT_EQ(scanner->count("command:1"), 1u);
    auto target = connection->peripheral();
    ASSERT_TRUE(target);
    for (const auto& service : target->services())
        for (const auto& characteristic : service->characteristics())
            if (characteristic->isNotifying())
                target->setNotifyValue_forCharacteristic(false, characteristic);
    advance(0.5);
    ASSERT_FALSE(connection->shouldWaitForCharacteristicStateUpdateToDisconnect());
    advanceTo(start + 1.79);
    EXPECT_EQ(scanner->count("command:1"), 1u);
    connection->disconnect(true);
    EXPECT_EQ(scanner->count("command:1"), 1u);
    advanceTo(start + 1.81);
    EXPECT_EQ(scanner->count("command:1"), 2u);
}

TEST_F(LeScannerConnectionTest, ThePhonesDisconnectRequestDisconnects) {
    connectFully();
    phone->sendCommand("shutD!");
    advance(0.5);
    EXPECT_EQ(controller->events().back(), "disconnected");
    EXPECT_EQ(scanner->count("command:1"), 1u);
}

TEST_F(LeScannerConnectionTest, SendsSecondaryFramesWithoutResponseAndGivesWayWhenThePrimaryIsBusy) {
    connectFully();
    connection->sendString_onPrimaryChannel(S + "9" + S + "over the secondary channel", false);
    advance(0.5);
    ASSERT_EQ(phone->receivedMessages().size(), 1u);
    // Acknowledgements come back for primary writes only; nothing is left counted.
    EXPECT_EQ(connection->lengthOfDataToSend(), 0u);
    device->setStalled(Operation::Write, true);
    connection->sendString_onPrimaryChannel(S + "9" + S + "a long message that waits on the primary", true);
    connection->sendString_onPrimaryChannel(S + "9" + S + "dropped", false);
    device->setStalled(Operation::Write, false);
    advance(0.5);
    EXPECT_EQ(phone->receivedMessages().size(), 1u);
    EXPECT_GT(connection->lengthOfDataToSend(), 39u);
}
