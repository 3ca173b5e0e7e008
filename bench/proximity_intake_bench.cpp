// One reading of the tracked phone through the intake (gate, smoothing) and the lock/unlock decider,
// on the simulated session: the work done for every signal-strength reading while a phone is connected.
// Target: under 2 µs per reading.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/DeviceUser.h"
#include "app/records/MacSessionServices.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "engine/coordinator/EngineSessionServices.h"
#include "engine/deciders/RSSILoginLogoutDecider.h"
#include "engine/deciders/RSSISmoothener.h"
#include "engine/deciders/RSSIUpdateDecider.h"
#include "engine/evidence/MacDisplayControl.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/storage/ThrowawayHome.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/ProcessInfo.h"

using namespace kestrune;

namespace {

struct CountingDelegate : RSSILoginLogoutDeciderDelegate {
    size_t calls = 0;
    void RSSILoginLogoutDecider_recheckRssiForMobileDevice(RSSILoginLogoutDecider&,
                                                           const std::shared_ptr<MobileDevice>&) override {
        ++calls;
    }
    void RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(RSSILoginLogoutDecider&,
                                                             const std::shared_ptr<MobileDevice>&) override {
        ++calls;
    }
    void RSSILoginLogoutDecider_didExitKestruneRadius(RSSILoginLogoutDecider&,
                                                      const std::shared_ptr<MobileDevice>&) override {
        ++calls;
    }
    void RSSILoginLogoutDecider_logoutForMobileDevice(RSSILoginLogoutDecider&,
                                                      const std::shared_ptr<MobileDevice>&) override {
        ++calls;
    }
    void RSSILoginLogoutDecider_didEnterKestruneRadius(RSSILoginLogoutDecider&,
                                                       const std::shared_ptr<MobileDevice>&) override {
        ++calls;
    }
    void RSSILoginLogoutDecider_loginForMobileDevice(RSSILoginLogoutDecider&,
                                                     const std::shared_ptr<MobileDevice>&) override {
        ++calls;
    }
    void RSSILoginLogoutDecider_didUpdateOverAllInfoForMobileDevice(
        RSSILoginLogoutDecider&, const std::shared_ptr<MobileDevice>&) override {
        ++calls;
    }
};

// A fresh home for each run, inside the program's own throwaway home, which goes when the program
// exits: the defaults are still written after a run, and would make again a home the run removed.
std::string freshHome() {
    std::string problem;
    const auto parent = platform::ThrowawayHome::enter("kestrune-proximity-bench", &problem);
    const auto home = parent ? platform::ThrowawayHome::makeFolder(*parent, "run", &problem) : std::nullopt;
    if (!home) {
        std::fprintf(stderr, "proximity_intake_bench: no home of its own: %s\n", problem.c_str());
        std::exit(1);
    }
    for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        setenv(v, (*home + (std::string(v) == "HOME" ? "" : std::string("/") + v)).c_str(), 1);
    return *home;
}

void BM_IntakeAndDeciderPerReading(benchmark::State& state) {
    const std::string home = freshHome();
    platform::Clock::useVirtualTime();
    platform::RunLoop::main().reset();
    platform::UserDefaults::resetAllForTesting();
    DataManager::resetSharedForTesting();
    auto session = platform::SimulatedSession::create(home + "/session");
    session->install();
    EngineSessionServices::install();
    MacDisplayControl::shared().startTrackingDisplayChanges();

    auto& manager = DataManager::shared();
    auto phone = MobileDevice::initWithUnId(std::string("phone-1"));
    auto user = DeviceUser::init();
    user->setUsername(platform::ProcessInfo::shared().userName());
    auto settings = MobileSettings::initWithUnId_andDeviceUser(std::string("phone-1"), user);
    settings->pairingInfo()->setConnectionStatus(platform::Number(6));
    (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
    (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
    DeviceLocalSettings::shared().setAllowLogoutOnWalkAway(true);
    // Argument 0: a phone that reports motion and lies still, so the gate turns most readings away;
    // 1: a phone without motion reports, so every reading reaches the smoothing and the decider.
    const bool everyReadingAnalysed = state.range(0) == 1;
    settings->iOSSettings()->setUseMotionTracking(platform::Number(!everyReadingAnalysed));
    settings->iOSSettings()->setIOSCharging(platform::Number(false));
    platform::RunLoop::main().advance(100);

    CountingDelegate delegate;
    RSSILoginLogoutDecider decider;
    decider.delegate = &delegate;
    // A phone wandering around the lock distance, with noise: all three areas and both runs are met.
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 6);
    std::vector<platform::Number> readings;
    for (int i = 0; i < 4096; ++i)
        readings.emplace_back(static_cast<int>(60 + 10 * std::sin(i / 40.0) + noise(random)));
    size_t i = 0, analysed = 0;
    for (auto _ : state) {
        const auto& reading = readings[i++ & 4095];
        if (RSSIUpdateDecider::shouldUpdateRSSIForMobileDeviceSettings(settings)) {
            ++analysed;
            RSSISmoothener::smoothenRSSI_forMobileDevice(reading, phone);
            decider.didUpdateRSSI_fromMobileDevice(*settings->distanceFromDevice(), phone);
        }
        platform::Clock::setVirtualNow(platform::Clock::now() + 0.25);
    }
    benchmark::DoNotOptimize(delegate.calls);
    state.counters["analysed"] =
        benchmark::Counter(static_cast<double>(analysed), benchmark::Counter::kAvgIterations);
    platform::RunLoop::main().runUntilIdle();
    platform::SimulatedSession::uninstall();
    MacSessionServices::install(nullptr);
}

}  // namespace

BENCHMARK(BM_IntakeAndDeciderPerReading)->Arg(0)->Arg(1);

BENCHMARK_MAIN();
