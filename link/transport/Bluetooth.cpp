#include "link/transport/Bluetooth.h"

#include <cmath>
#include <mutex>

#include "link/transport/BluetoothLE.h"
#include "platform/base/Clock.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"
#include "platform/bluetooth/BluetoothController.h"

namespace kestrune {

namespace {

// The process-wide switching state. Switching runs on the main thread; the lock keeps readers on other
// threads honest and is never held while a completion runs.
struct SwitchState {
    std::mutex mutex;
    int32_t lastRestartTime = 0;
    bool restarting = false;
    platform::Closure restartCompletion;
    platform::Closure onCompletion;
    platform::Closure offCompletion;
    int8_t pollCount = 0;
};

SwitchState& state() {
    static auto* s = new SwitchState();
    return *s;
}

// The "BLECheck" lock and the cached answer it guards.
struct SupportCache {
    std::mutex mutex;
    bool known = false;
    bool supported = false;
};

SupportCache& supportCache() {
    static auto* cache = new SupportCache();
    return *cache;
}

void turnWithCompletion(bool on, platform::Closure completion) {
    if ((Bluetooth::bluetoothIsOn()) == on) {
        if (completion) completion();
        return;
    }
    {
        std::lock_guard lock(state().mutex);
        (on ? state().onCompletion : state().offCompletion) = std::move(completion);
        state().pollCount = 0;
    }
    platform::BluetoothController::setPowerState(on ? 1 : 0);
    if (on) {
        Bluetooth::shared().repeatUntilBluetoothOn();
    } else {
        Bluetooth::shared().repeatUntilBluetoothOff();
    }
}

}  // namespace

Bluetooth& Bluetooth::shared() {
    static platform::SharedInstance<Bluetooth> instance;
    return instance.get([] { return new Bluetooth(); });
}

void Bluetooth::resetForTesting() {
    SwitchState& s = state();
    std::lock_guard lock(s.mutex);
    s.lastRestartTime = 0;
    s.restarting = false;
    s.restartCompletion = nullptr;
    s.onCompletion = nullptr;
    s.offCompletion = nullptr;
    s.pollCount = 0;
    std::lock_guard cacheLock(supportCache().mutex);
    supportCache().known = false;
    supportCache().supported = false;
}

bool Bluetooth::bluetoothIsOn() {
    return platform::BluetoothController::powerState() != 0;
}

void Bluetooth::turnBluetoothOnWithCompletion(platform::Closure completion) {
    turnWithCompletion(true, std::move(completion));
}

void Bluetooth::turnBluetoothOffWithCompletion(platform::Closure completion) {
    turnWithCompletion(false, std::move(completion));
}

void Bluetooth::turnBluetoothOn() {
    turnBluetoothOnWithCompletion(nullptr);
}

void Bluetooth::turnBluetoothOff() {
    turnBluetoothOffWithCompletion(nullptr);
}

bool Bluetooth::pollFor(bool on) {
    {
        std::lock_guard lock(state().mutex);
        state().pollCount = static_cast<int8_t>(state().pollCount + 1);
        // The controller had its 40 checks (about 16 s): give up, leaving the completion unrun.
        if (state().pollCount > kMaximumPolls) return false;
    }
    if (bluetoothIsOn() != on) return true;
    postNotification();
    return false;
}

void Bluetooth::repeatUntilBluetoothOn() {
    if (!pollFor(true)) return;
    platform::RunLoop::main().performAfterDelay(kPollInterval,
                                                [] { Bluetooth::shared().repeatUntilBluetoothOn(); });
}

void Bluetooth::repeatUntilBluetoothOff() {
    if (!pollFor(false)) return;
    platform::RunLoop::main().performAfterDelay(kPollInterval,
                                                [] { Bluetooth::shared().repeatUntilBluetoothOff(); });
}

void Bluetooth::postNotification() {
    platform::NotificationCenter::defaultCenter().post(kChangedNotification, this);
    SwitchState& s = state();
    if (bluetoothIsOn()) {
        platform::Closure completion, restartCompletion;
        {
            std::lock_guard lock(s.mutex);
            completion = std::move(s.onCompletion);
            s.onCompletion = nullptr;
        }
        if (completion) completion();
        {
            std::lock_guard lock(s.mutex);
            if (!s.restarting) return;
            s.restarting = false;
            restartCompletion = std::move(s.restartCompletion);
            s.restartCompletion = nullptr;
        }
        if (restartCompletion) restartCompletion();
    } else {
        platform::Closure completion;
        bool restarting;
        {
            std::lock_guard lock(s.mutex);
            completion = std::move(s.offCompletion);
            s.offCompletion = nullptr;
            restarting = s.restarting;
        }
        if (completion) completion();
        if (restarting)
            platform::RunLoop::main().performAfterDelay(kRestartOffTime, [] { turnBluetoothOn(); });
    }
}

void Bluetooth::restartBluetoothIfOnWithCompletion(platform::Closure completion) {
    {
        std::lock_guard lock(state().mutex);
        state().restartCompletion = std::move(completion);
    }
    restartBluetoothIfOn();
}

void Bluetooth::restartBluetoothIfOn() {
    auto now = static_cast<int32_t>(std::floor(platform::Clock::now()));
    {
        std::lock_guard lock(state().mutex);
        // Restarts closer than 8 s to the last one are dropped; a stored completion stays stored.
        if (static_cast<int64_t>(state().lastRestartTime) + kRestartSpacing > now) return;
        state().restarting = true;
    }
    if (!bluetoothIsOn()) {
        turnBluetoothOn();
        return;
    }
    {
        std::lock_guard lock(state().mutex);
        state().lastRestartTime = now;
    }
    turnBluetoothOff();
}

bool Bluetooth::isRestartingBluetooth() {
    std::lock_guard lock(state().mutex);
    return state().restarting;
}

int32_t Bluetooth::lastBluetoothRestartTimestamp() {
    std::lock_guard lock(state().mutex);
    return state().lastRestartTime;
}

bool Bluetooth::bluetoothLESupported() {
    SupportCache& cache = supportCache();
    std::lock_guard lock(cache.mutex);
    if (cache.known && cache.supported) return true;
    cache.supported = BluetoothLE::shared().bluetoothLEIsSupported();
    cache.known = true;
    return cache.supported;
}

void Bluetooth::performCheckAndCacheBluetoothLESupportedInBackground() {
    platform::DispatchQueue::global().async([] { bluetoothLESupported(); });
}

}  // namespace kestrune
