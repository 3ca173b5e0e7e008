// The trusted Wi-Fi decision with 100 trusted networks, the Mac joined to the last of them and a tracked
// phone: the question the proximity decider asks before every signal-strength reading.
// Target: under 1 µs per question.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/SafeWifiEntry.h"
#include "app/store/DataManager.h"
#include "features/wifi/SafeWifiManager.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/storage/UserDefaults.h"

using namespace kestrune;

namespace {

void BM_ShouldUnlockForSafeWifiWith100Networks(benchmark::State& state) {
    char pattern[] = "/tmp/kestrune-wifi-bench-XXXXXX";
    const std::string home = mkdtemp(pattern);
    for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        setenv(v, (home + (std::string(v) == "HOME" ? "" : std::string("/") + v)).c_str(), 1);
    platform::Clock::useVirtualTime();
    platform::RunLoop::main().reset();
    platform::UserDefaults::resetAllForTesting();
    DataManager::resetSharedForTesting();
    auto wifi = platform::SimulatedWifi::create();
    wifi->install();

    auto& data = DataManager::shared();
    auto phone = MobileDevice::initWithUnId(std::string("phone-1"));
    auto settings = MobileSettings::initWithUnId(std::string("phone-1"));
    settings->pairingInfo()->setConnectionStatus(platform::Number(PairingInfo::kConnectionStatusPaired));
    (*data.model()->dictOfAllMobileDevice())["phone-1"] = phone;
    (*data.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;

    auto& manager = SafeWifiManager::shared();
    for (int i = 0; i < 100; ++i) {
        auto entry = SafeWifiEntry::init();
        entry->setSsidName("Trusted network " + std::to_string(i));
        entry->setBssid("aa:bb:cc:dd:ee:" + std::to_string(10 + i));
        manager.addSafeWifiEntry(entry);
    }
    wifi->join("Trusted network 99", "aa:bb:cc:dd:ee:ff");
    platform::RunLoop::main().runUntilIdle();
    if (!manager.shouldUnlockForSafeWifi()) state.SkipWithError("the trusted network is not recognised");

    for (auto _ : state) benchmark::DoNotOptimize(manager.shouldUnlockForSafeWifi());

    SafeWifiManager::resetSharedForTesting();
    platform::RunLoop::main().runUntilIdle();
    platform::WifiBackend::install(nullptr);
    std::filesystem::remove_all(home);
}

}  // namespace

BENCHMARK(BM_ShouldUnlockForSafeWifiWith100Networks);

BENCHMARK_MAIN();
