// The drop-down panel's full refresh, run after every reading of the phone's signal while the panel is
// open (recording backend, no pixels): with a connected phone and every row shown it should stay under
// 200 µs, the end-of-turn layout and display passes included.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "menubar/MenuBarFacts.h"
#include "menubar/statusitem/MainMenuBarController.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/ThrowawayHome.h"
#include "platform/ui/DisplayCycle.h"
#include "platform/ui/Image.h"

using namespace kestrune;

namespace {

// The link and the updater as a connected, tracking phone has them; no radio, no network.
class SteadyFacts : public MenuBarFacts {
public:
    bool bluetoothIsOn() override { return true; }
    bool bluetoothLESupported() override { return true; }
    bool bluetoothLEIsOn() override { return true; }
    bool isInitializingBLE() override { return false; }
    bool sholdShowCorruptedBluetoothCacheError() override { return false; }
    bool trackingDeviceIsConnected() override { return true; }
    bool scanningTimerIsActive() override { return false; }
    bool anyNewVersionAvailable() override { return false; }
    bool newiOSVersion() override { return false; }
    bool newMacVersion() override { return false; }
    int32_t updaterState() override { return 0; }
    bool installAfterDownload() override { return false; }
    void setInstallAfterDownload(bool) override {}
    bool shouldAutomaticallyCheckForUpdates() override { return true; }
    void relaunchIfPossible() override {}
    void checkForUpdates() override {}
    bool safeWifiTurnedOn() override { return true; }
    bool shouldUnlockForSafeWifi() override { return false; }
    bool preconditionsToLockMacOnScreensaverAreSet() override { return true; }
    bool hasVideoDevice() override { return true; }
    bool lastKnownIsLauncOnStartup() override { return false; }
};

struct Fixture {
    std::shared_ptr<MainMenuBarController> menuBar;

    Fixture() {
        // One home for every run of the program, removed when it exits: the defaults and records keep
        // the folders they first read for the whole process, and write there again in later runs.
        std::string problem;
        if (!platform::ThrowawayHome::enter("kestrune-panel-bench", &problem)) {
            std::fprintf(stderr, "panel_refresh_bench: no home of its own: %s\n", problem.c_str());
            std::exit(1);
        }
        platform::Clock::useVirtualTime();
        platform::ui::DisplayCycle::install();
        MenuBarFacts::install(std::make_shared<SteadyFacts>());

        auto& manager = DataManager::shared();
        manager.getSavedDataModel();
        auto phone = MobileDevice::initWithUnId("bench-phone");
        phone->mobileDeviceInfo()->setDeviceName("Ada's iPhone");
        phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(true));
        auto settings = MobileSettings::initWithUnId("bench-phone");
        settings->pairingInfo()->setConnectionStatus(platform::Number(PairingInfo::kConnectionStatusPaired));
        settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(true));
        settings->mobileDeviceTrackInfo()->setDistanceToLogin(platform::Number(66));
        settings->setDistanceFromDevice(platform::Number(54));
        (*manager.model()->dictOfAllMobileDevice())["bench-phone"] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())["bench-phone"] = settings;
        auto& local = DeviceLocalSettings::shared();
        local.setShowKestruneProximityOption(true);
        local.setShowClipboardManagerOnMainScreen(true);
        local.setShowWifiUnlockOnMainScreen(true);

        // The pictures, as decoded once by the application's renderer.
        for (const char* name : {"menubar_settings_button", "update_settings_notification", "menubar_iphone",
                                 "menubar_ping", "alert_button", "menubar_loading"})
            platform::ui::ImageRegistry::add(name, platform::ui::Image::create({20, 20}));
        menuBar = MainMenuBarController::init();
        menuBar->openMenuBar();
        platform::RunLoop::main().runUntilIdle();
    }
    ~Fixture() {
        menuBar.reset();
        platform::RunLoop::main().runUntilIdle();
        MenuBarFacts::install(nullptr);
    }
};

}  // namespace

static void BM_PanelRefresh(benchmark::State& state) {
    Fixture f;
    auto panel = f.menuBar->panelController();
    for (auto _ : state) {
        f.menuBar->updateViewForTrackingDevice();
        platform::RunLoop::main().runUntilIdle();
    }
    benchmark::DoNotOptimize(panel->window()->frame().height());
}
BENCHMARK(BM_PanelRefresh)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
