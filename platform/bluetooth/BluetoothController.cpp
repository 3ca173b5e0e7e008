#include "platform/bluetooth/BluetoothController.h"

#include "platform/bluetooth/BluetoothBackend.h"

namespace platform {

int BluetoothController::powerState() {
    return BluetoothBackend::current()->controllerPowerState() ? 1 : 0;
}

void BluetoothController::setPowerState(int state) {
    BluetoothBackend::current()->setControllerPowerState(state != 0);
}

}  // namespace platform
