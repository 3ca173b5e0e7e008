#include "platform/base/ThermalState.h"

#include <atomic>

#include "platform/base/NotificationCenter.h"

namespace platform {

namespace {
std::atomic<int> gThermalState{ThermalState::Nominal};
}  // namespace

int ThermalState::current() {
    return gThermalState.load();
}

void ThermalState::setCurrent(int state) {
    if (gThermalState.exchange(state) == state) return;
    NotificationCenter::defaultCenter().post(kThermalStateDidChangeNotification);
}

}  // namespace platform
