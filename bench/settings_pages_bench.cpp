// The devices page follows every update of the phone: a rebuild of the page on screen (its rows made
// afresh from the settings and the machine, handed to the list, the list reloaded and laid out) should
// stay under 500 µs. The page shows a connected phone with a low battery, the Mac's data in a
// throwaway home, on the simulated radio and session.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/PhoneRecordServices.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "engine/coordinator/EngineSessionServices.h"
#include "features/FeaturePhoneRecordServices.h"
#include "link/transport/BluetoothLE.h"
#include "menubar/pages/DevicesMenuManager.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/sim/radio/Radio.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/storage/Files.h"
#include "platform/ui/Application.h"
#include "platform/ui/DisplayCycle.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"

using namespace kestrune;

namespace {

struct Fixture {
    std::string home;
    std::shared_ptr<platform::SimulatedSession> session;
    std::shared_ptr<DevicesMenuManager> page;
    std::shared_ptr<platform::ui::Window> window;

    Fixture() {
        char folder[] = "/tmp/kestrune-pages-bench-XXXXXX";
        home = mkdtemp(folder) ? folder : "/tmp";
        for (const char* variable :
             {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
            setenv(variable, (home + "/" + variable).c_str(), 1);
        platform::Clock::useVirtualTime();
        platform::ui::DisplayCycle::install();
        // The application decodes the cells' pictures once and keeps them: here they are kept from the start.
        for (const char* name :
             {"devices_macbook_pro", "devices_iphone_6", "devices_distance", "devices_distance_attention"})
            platform::ui::ImageRegistry::add(name, platform::ui::Image::create({96, 62}));
        platform::BluetoothBackend::install(platform::Radio::shared());
        session = platform::SimulatedSession::create(home + "/session");
        session->install();
        session->desktop()->setProcessTrusted(true);
        EngineSessionServices::install();
        PhoneRecordServices::install(std::make_shared<FeaturePhoneRecordServices>());
        BluetoothLE::shared();
        DeviceLocalSettings::shared().setVeryFirstKestruneRunDate(platform::Date::now());
        DeviceLocalSettings::shared().setDidShowTutorialAtLeastOnce(true);
        DeviceLocalSettings::shared().setDidCloseMainWindowAtLeastOnce(true);

        auto& data = DataManager::shared();
        auto phone = MobileDevice::initWithUnId("bench-phone");
        phone->mobileDeviceInfo()->setDeviceName("Ada's iPhone");
        phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(true));
        auto settings = MobileSettings::initWithUnId("bench-phone");
        settings->pairingInfo()->setConnectionStatus(platform::Number(PairingInfo::kConnectionStatusPaired));
        settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(true));
        settings->mobileDeviceTrackInfo()->setDistanceToLogin(platform::Number(66));
        settings->setDistanceFromDevice(platform::Number(58));
        if (!settings->iOSSettings()) settings->setIOSSettings(iOSPreferences::init());
        settings->iOSSettings()->setBatteryPercent(platform::Number(15));
        (*data.model()->dictOfAllMobileDevice())["bench-phone"] = phone;
        (*data.model()->dictOfMobileDeviceSettings())["bench-phone"] = settings;

        page = BaseMenuItemManager::create<DevicesMenuManager>(std::weak_ptr<NavigationDelegate>());
        window = platform::ui::Window::create({100, 100, 849, 555});
        platform::ui::Application::shared().activateIgnoringOtherApps(true);
        window->makeKeyAndOrderFront(nullptr);
        auto view = page->getViewController()->mainView();
        view->setFrame({0, 0, 849, 555});
        window->contentView()->addSubview(view);
        platform::RunLoop::main().runUntilIdle();
    }
};

// One world for every run of the benchmark; its throwaway home goes when the program ends.
Fixture& fixture() {
    static Fixture* made = [] {
        auto* f = new Fixture();
        static std::string home = f->home;
        atexit([] { platform::Files::remove(home); });
        return f;
    }();
    return *made;
}

}  // namespace

static void BM_RebuildDevicesPage(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        f.page->updateViewDataIfNeeded();
        f.window->layoutIfNeeded();
    }
    benchmark::DoNotOptimize(f.page->listViewModelController()->listViewModel().size());
}
BENCHMARK(BM_RebuildDevicesPage)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
