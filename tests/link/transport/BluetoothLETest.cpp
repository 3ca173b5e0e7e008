#include "link/transport/BluetoothLE.h"

#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "tests/link/BluetoothFixture.h"

using kestrune::BluetoothLE;
using platform::CentralManager;
using platform::Radio;

namespace {

class BluetoothLETest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        for (const char* name :
             {BluetoothLE::kChangedStateNotification, BluetoothLE::kOnAndReadyChangedStateNotification})
            observations.push_back(platform::NotificationCenter::defaultCenter().addObserver(
                name, nullptr, [this](const platform::Notification& note) {
                    posted.push_back(note.name == BluetoothLE::kChangedStateNotification ? "changed"
                                                                                         : "ready");
                    if (note.sender != &BluetoothLE::shared() || !platform::isMainThread()) strayPost = true;
                }));
        radio = Radio::shared();
    }

    std::shared_ptr<Radio> radio;
    std::vector<platform::NotificationCenter::Observation> observations;
    std::vector<std::string> posted;
    bool strayPost = false;
};

}  // namespace

TEST_F(BluetoothLETest, BecomesReadyHalfASecondAfterLowEnergyComesOn) {
    testsupport::LogCapture log;
    // The radio coming on is said at the log's usual level, with the debug switch off.
    platform::Log::setDebug(false);
    auto& ble = BluetoothLE::shared();
    EXPECT_EQ(ble.bluetoothState(), CentralManager::kStateUnknown);
    EXPECT_FALSE(ble.bluetoothLEIsOn());
    EXPECT_FALSE(ble.bluetoothLEIsOnAndReady());
    EXPECT_TRUE(ble.bluetoothLEIsSupported());  // an unknown state counts as supported

    advance(Radio::kDefaultLinkLatency);
    EXPECT_TRUE(ble.bluetoothLEIsOn());
    EXPECT_EQ(ble.lastKnownState(), CentralManager::kStatePoweredOn);
    EXPECT_EQ(posted, std::vector<std::string>{"changed"});
    EXPECT_TRUE(log.contains("BLE turned on!"));
    advance(0.5);
    EXPECT_FALSE(ble.isSafeToUseBLE());  // exactly 0.5 s is not more than 0.5 s
    EXPECT_FALSE(ble.bluetoothLEIsOnAndReady());
    advance(0.004);
    EXPECT_TRUE(ble.isSafeToUseBLE());
    EXPECT_FALSE(ble.bluetoothLEIsOnAndReady());  // the flag follows 0.51 s after
    advance(0.008);
    EXPECT_TRUE(ble.bluetoothLEIsOnAndReady());
    EXPECT_EQ(posted, (std::vector<std::string>{"changed", "ready"}));
    EXPECT_NEAR(ble.secondsSinceBLETurnedOn(), 0.512, 1e-5);
    EXPECT_FALSE(strayPost);
}

// Going off is announced once, as a change of state; the ready flag keeps its last value, unannounced,
// until a later change of state recomputes it (readers that must not act while off check the state).
TEST_F(BluetoothLETest, GoingOffLeavesTheReadyFlagUntilALaterChange) {
    auto& ble = BluetoothLE::shared();
    advance(1);
    ASSERT_TRUE(ble.bluetoothLEIsOnAndReady());
    posted.clear();
    radio->setPowerTransitionDelay(1);
    radio->setControllerPowerState(false);
    advance(1);
    EXPECT_TRUE(ble.bluetoothLEIsPoweredOff());
    EXPECT_FALSE(ble.isSafeToUseBLE());
    EXPECT_TRUE(ble.bluetoothLEIsOnAndReady());
    EXPECT_EQ(posted, std::vector<std::string>{"changed"});

    radio->setLowEnergySupported(false);
    advance(0.1);
    EXPECT_FALSE(ble.bluetoothLEIsOnAndReady());
    EXPECT_EQ(posted, (std::vector<std::string>{"changed", "ready", "changed"}));
}

TEST_F(BluetoothLETest, AQuickOffAndOnIsNotSafeEarly) {
    auto& ble = BluetoothLE::shared();
    advance(1);
    posted.clear();
    radio->resetController(0.2);
    advance(0.1);
    EXPECT_EQ(ble.bluetoothState(), CentralManager::kStateResetting);
    EXPECT_TRUE(ble.isInitializingBLE());  // the controller is on, LE is not yet
    EXPECT_FALSE(ble.isSafeToUseBLE());
    EXPECT_TRUE(ble.bluetoothLEIsOnAndReady());  // kept from before
    advance(0.2);
    EXPECT_TRUE(ble.bluetoothLEIsOn());
    advance(0.4);
    EXPECT_FALSE(ble.isSafeToUseBLE());
    advance(0.2);
    EXPECT_TRUE(ble.isSafeToUseBLE());
    EXPECT_TRUE(ble.bluetoothLEIsOnAndReady());
    // Off and on again: two changes of state, and the flag never announced a change.
    EXPECT_EQ(posted, (std::vector<std::string>{"changed", "changed"}));
}

TEST_F(BluetoothLETest, AChangeThatLeavesLowEnergyOffIsPostedToo) {
    radio->setControllerPowered(false);
    auto& ble = BluetoothLE::shared();
    advance(0.1);
    EXPECT_TRUE(ble.bluetoothLEIsPoweredOff());
    EXPECT_FALSE(ble.isInitializingBLE());
    EXPECT_EQ(posted, std::vector<std::string>{"changed"});
    radio->setLowEnergySupported(false);
    advance(0.1);
    EXPECT_FALSE(ble.bluetoothLEIsSupported());
    EXPECT_EQ(ble.lastKnownState(), CentralManager::kStateUnsupported);
    EXPECT_EQ(posted, (std::vector<std::string>{"changed", "changed"}));
}
