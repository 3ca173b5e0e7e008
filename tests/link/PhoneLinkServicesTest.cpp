// What the features and the menu bar use of the phone link (Bluetooth's power and Low Energy support, the
// central's state, the cache warning, the scanning indicator, the two clipboard requests), each line
// checked against the link's classes as they are.

#include <gtest/gtest.h>

#include "app/records/DeviceLocalSettings.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/ClearBluetoothCacheController.h"
#include "link/transport/ScanningIndicator.h"
#include "platform/bluetooth/BluetoothController.h"
#include "tests/link/LinkFixture.h"

namespace {

using namespace linktests;
using kestrune::Bluetooth;
using kestrune::BluetoothLE;
using kestrune::ClearBluetoothCacheController;
using kestrune::ScanningIndicator;

class PhoneLinkServicesTest : public ConnectedPhoneFixture {
protected:
    void TearDown() override {
        ScanningIndicator::resetSharedForTesting();
        ConnectedPhoneFixture::TearDown();
    }
};

TEST_F(PhoneLinkServicesTest, WhatTheMenuBarAndTheClipboardReadAndSend) {
    // Power, Low Energy and the central's state: on and settled once the link has started.
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    EXPECT_TRUE(Bluetooth::bluetoothLESupported());
    EXPECT_TRUE(BluetoothLE::shared().bluetoothLEIsOn());
    EXPECT_FALSE(BluetoothLE::shared().isInitializingBLE());

    // The tracked phone is connected, so the cache warning is never due, even long after the first run.
    auto& cache = ClearBluetoothCacheController::shared();
    auto& local = kestrune::DeviceLocalSettings::shared();
    local.setVeryFirstKestruneRunDate(platform::Date::dateWithTimeIntervalSince1970(now() - 1e7));
    EXPECT_TRUE(cache.trackingDeviceIsConnected());
    EXPECT_FALSE(cache.sholdShowCorruptedBluetoothCacheError());

    // A scan's period: on for 20 s from a restart, then over.
    auto& scanning = ScanningIndicator::shared();
    scanning.restartTimer();
    EXPECT_TRUE(scanning.timerIsActive());
    advance(19.9);
    EXPECT_TRUE(scanning.timerIsActive());
    advance(0.2);
    EXPECT_FALSE(scanning.timerIsActive());

    // The clipboard's two requests reach the phone over the link: the text (75) and the result (77).
    const size_t before = received(phone).size();
    auto tracked = device(kTrackedPhone);
    controller->updateClipboardForMobileDevice_clipboardText(tracked, "Meet at six");
    controller->didCopyClipboard_toMac(true, tracked);
    controller->didCopyClipboard_toMac(false, tracked);
    advance(0.5);
    auto all = received(phone);
    ASSERT_EQ(all.size(), before + 3);
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(before), all.end()),
              (std::vector<std::string>{"75|Meet at six", "77|1", "77|0"}));

    // Bluetooth off: the power and the central read off, and a support answered once stays known; on
    // again, both are back.
    platform::BluetoothController::setPowerState(0);
    advance(5);
    EXPECT_FALSE(Bluetooth::bluetoothIsOn());
    EXPECT_FALSE(cache.trackingDeviceIsConnected());
    EXPECT_TRUE(Bluetooth::bluetoothLESupported());
    EXPECT_FALSE(BluetoothLE::shared().bluetoothLEIsOn());
    platform::BluetoothController::setPowerState(1);
    advance(5);
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    EXPECT_FALSE(BluetoothLE::shared().isInitializingBLE());
    EXPECT_TRUE(BluetoothLE::shared().bluetoothLEIsOn());

    // Clipboard text to a phone out of reach is not pushed: it goes over the link only.
    controller->updateClipboardForMobileDevice_clipboardText(tracked, "lost");
    advance(0.5);
    for (const auto& pushed : push->pushes) EXPECT_EQ(pushed.find("lost"), std::string::npos);
}

}  // namespace
