#include "platform/bluetooth/BluetoothBackend.h"

#include <mutex>

#include "platform/sim/radio/Radio.h"

namespace platform {

namespace {
std::mutex gBackendMutex;
std::shared_ptr<BluetoothBackend> gInstalled;
}  // namespace

std::shared_ptr<BluetoothBackend> BluetoothBackend::current() {
    {
        std::lock_guard lock(gBackendMutex);
        if (gInstalled) return gInstalled;
    }
    // This system has no Bluetooth controller of its own: the simulated radio stands in for it.
    return Radio::shared();
}

void BluetoothBackend::install(std::shared_ptr<BluetoothBackend> backend) {
    std::lock_guard lock(gBackendMutex);
    gInstalled = std::move(backend);
}

}  // namespace platform
