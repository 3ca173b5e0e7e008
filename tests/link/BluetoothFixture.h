#pragma once

#include <optional>

#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/sim/radio/Radio.h"
#include "platform/system/SystemVersion.h"
#include "tests/support/TestEnvironment.h"

namespace bletests {

// Every test starts with a new radio (controller on, nothing on the air), no Bluetooth LE observer yet,
// the controller-switching state of a new process and the default system version.
inline void forgetBluetooth() {
    kestrune::BluetoothLE::resetSharedForTesting();
    kestrune::Bluetooth::resetForTesting();
    platform::Radio::resetShared();
    platform::BluetoothBackend::install(platform::Radio::shared());
    platform::SystemVersion::setOverride(std::nullopt);
}
inline const bool kBluetoothResetRegistered = (testsupport::addResetHook(&forgetBluetooth), true);

}  // namespace bletests
