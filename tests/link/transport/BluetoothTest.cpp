#include "link/transport/Bluetooth.h"

#include <cmath>

#include "platform/base/DispatchQueue.h"
#include "platform/base/NotificationCenter.h"
#include "tests/link/BluetoothFixture.h"

using kestrune::Bluetooth;
using platform::Radio;

namespace {

class BluetoothTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        radio = Radio::shared();
        radio->setPowerTransitionDelay(1.0);
        observation = platform::NotificationCenter::defaultCenter().addObserver(
            Bluetooth::kChangedNotification, &Bluetooth::shared(),
            [this](const platform::Notification&) { ++posts; });
    }

    std::shared_ptr<Radio> radio;
    platform::NotificationCenter::Observation observation;
    int posts = 0;
};

}  // namespace

TEST_F(BluetoothTest, SwitchingToTheStateItIsInRunsTheCompletionAtOnce) {
    int ran = 0;
    Bluetooth::turnBluetoothOnWithCompletion([&] { ++ran; });
    EXPECT_EQ(ran, 1);
    advance(20);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(posts, 0);
}

TEST_F(BluetoothTest, TheCompletionRunsAtTheFirstPollThatSeesTheNewState) {
    int ran = 0;
    Bluetooth::turnBluetoothOffWithCompletion([&] { ++ran; });
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    // Polls at 0, 0.4, 0.8 see it on; the controller is off at 1.0; the poll at 1.2 sees it.
    advance(1.15);
    EXPECT_FALSE(Bluetooth::bluetoothIsOn());
    EXPECT_EQ(ran, 0);
    advance(0.1);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(posts, 1);
    advance(5);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(posts, 1);
}

TEST_F(BluetoothTest, AControllerThatDoesNotSwitchWithinFortyPollsLeavesTheCompletionUnrun) {
    radio->setPowerTransitionDelay(16.2);
    int ran = 0;
    Bluetooth::turnBluetoothOffWithCompletion([&] { ++ran; });
    advance(30);
    EXPECT_FALSE(Bluetooth::bluetoothIsOn());
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(posts, 0);

    // With a switch inside the 40 polls (the last at 15.6 s) it does run.
    radio->setPowerTransitionDelay(15.5);
    Bluetooth::turnBluetoothOnWithCompletion([&] { ++ran; });
    advance(30);
    EXPECT_EQ(ran, 1);
}

TEST_F(BluetoothTest, RestartingAnOnControllerTurnsItOffThenOnHalfASecondAfterSeeingItOff) {
    advance(100);
    int restarted = 0;
    double start = now();
    Bluetooth::restartBluetoothIfOnWithCompletion([&] { ++restarted; });
    EXPECT_TRUE(Bluetooth::isRestartingBluetooth());
    EXPECT_EQ(Bluetooth::lastBluetoothRestartTimestamp(), static_cast<int32_t>(std::floor(start)));
    advance(1.25);  // seen off at the poll of 1.2 s
    EXPECT_FALSE(Bluetooth::bluetoothIsOn());
    advance(0.5);  // switched on at 1.7 s, on at 2.7 s, seen at the poll of 2.9 s
    advance(1.1);
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    EXPECT_EQ(restarted, 0);
    advance(0.1);
    EXPECT_EQ(restarted, 1);
    EXPECT_FALSE(Bluetooth::isRestartingBluetooth());
}

TEST_F(BluetoothTest, RestartsWithinEightSecondsOfTheLastAreDropped) {
    advance(100);
    Bluetooth::restartBluetoothIfOn();
    advance(5);
    ASSERT_FALSE(Bluetooth::isRestartingBluetooth());
    int32_t first = Bluetooth::lastBluetoothRestartTimestamp();
    int restarted = 0;
    Bluetooth::restartBluetoothIfOnWithCompletion([&] { ++restarted; });
    advance(10);
    EXPECT_FALSE(Bluetooth::isRestartingBluetooth());
    EXPECT_EQ(Bluetooth::lastBluetoothRestartTimestamp(), first);
    EXPECT_EQ(restarted, 0);
    // Later the stored completion is still there for the next restart that goes through.
    Bluetooth::restartBluetoothIfOn();
    EXPECT_TRUE(Bluetooth::isRestartingBluetooth());
    advance(10);
    EXPECT_EQ(restarted, 1);
}

// The spacing counts whole seconds of the clock: 7.99 s after a restart another is dropped, 8 s after it
// goes through.
TEST_F(BluetoothTest, RestartSpacingIsEightSecondsOnBothSides) {
    advance(100);
    Bluetooth::restartBluetoothIfOn();
    const int32_t first = Bluetooth::lastBluetoothRestartTimestamp();
    ASSERT_EQ(first, static_cast<int32_t>(now()));
    advance(7.99);
    ASSERT_FALSE(Bluetooth::isRestartingBluetooth());
    Bluetooth::restartBluetoothIfOn();
    EXPECT_FALSE(Bluetooth::isRestartingBluetooth());
    EXPECT_EQ(Bluetooth::lastBluetoothRestartTimestamp(), first);
    advance(0.01);
    Bluetooth::restartBluetoothIfOn();
    EXPECT_TRUE(Bluetooth::isRestartingBluetooth());
    EXPECT_EQ(Bluetooth::lastBluetoothRestartTimestamp(), first + 8);
    advance(10);
}

TEST_F(BluetoothTest, RestartingAnOffControllerTurnsItOn) {
    radio->setControllerPowered(false);
    int restarted = 0;
    Bluetooth::restartBluetoothIfOnWithCompletion([&] { ++restarted; });
    advance(1.25);
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    EXPECT_EQ(restarted, 1);
    EXPECT_EQ(Bluetooth::lastBluetoothRestartTimestamp(), 0);
}

TEST_F(BluetoothTest, LowEnergySupportIsKeptOnceYesAndAskedAgainWhileNo) {
    radio->setLowEnergySupported(false);
    advance(0.1);
    kestrune::BluetoothLE::shared();
    advance(0.1);
    EXPECT_FALSE(Bluetooth::bluetoothLESupported());
    radio->setLowEnergySupported(true);
    advance(0.1);
    EXPECT_TRUE(Bluetooth::bluetoothLESupported());
    radio->setLowEnergySupported(false);
    advance(0.1);
    EXPECT_TRUE(Bluetooth::bluetoothLESupported());
}

TEST_F(BluetoothTest, TheBackgroundCheckCachesTheAnswer) {
    Bluetooth::performCheckAndCacheBluetoothLESupportedInBackground();
    runUntilIdle();
    radio->setLowEnergySupported(false);
    advance(0.1);
    EXPECT_FALSE(kestrune::BluetoothLE::shared().bluetoothLEIsSupported());
    EXPECT_TRUE(Bluetooth::bluetoothLESupported());
}
