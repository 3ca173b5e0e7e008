// The central scanner judging advertisements: every advertisement of every nearby device reaches it
// during an all-services scan with duplicates, so the common case (a known peripheral heard again
// within its 2.5-s spacing) must stay cheap, the connection controller's question included. A second
// benchmark lets fifty advertisers that change address every fifteen minutes talk to the scanner for a
// simulated hour and reports what is left in its tables and how often the ignore list was saved.

#include <benchmark/benchmark.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/store/DataManager.h"
#include "app/support/Utilities.h"
#include "link/transport/ConnectionFilter.h"
#include "link/transport/LEScannerController.h"
#include "link/transport/LEScannerDelegate.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/bluetooth/AdvertisementData.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/sim/radio/Radio.h"
#include "platform/storage/ThrowawayHome.h"
#include "platform/storage/UserDefaults.h"

using namespace kestrune;
using platform::AdvertisementData;
using platform::Value;

namespace {

// A home of its own for each world, so that the device data the ignore list saves never touches the
// user's nor another world's. The worlds' homes are made in the program's throwaway home, which goes
// when the program exits.
void useFreshHome() {
    static std::string home;
    if (!home.empty()) std::filesystem::remove_all(home);
    std::string problem;
    const auto parent = platform::ThrowawayHome::enter("kestrune-scanner-bench", &problem);
    const auto made = parent ? platform::ThrowawayHome::makeFolder(*parent, "world", &problem) : std::nullopt;
    if (!made) {
        std::fprintf(stderr, "scanner_bench: no home of its own: %s\n", problem.c_str());
        std::exit(1);
    }
    home = *made;
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    platform::UserDefaults::resetAllForTesting();
    DataManager::resetSharedForTesting();
}

// The connection controller's answers, as it gives them: through the connection filter.
class FilterDelegate : public LEScannerDelegate {
public:
    void scanner_didExperienceError_forConnection(
        LEScanner&, int64_t, const std::shared_ptr<LEScannerConnectionInterface>&) override {}
    void scanner_didDetect_withRSSI(LEScanner&, const std::shared_ptr<LEScannerConnectionInterface>&,
                                    const platform::Number&) override {}
    void scanner_didDiscover_withRSSI(LEScanner&, const std::shared_ptr<LEScannerConnectionInterface>&,
                                      const std::optional<platform::Number>&) override {}
    bool scannerShouldIgnoreAllDiscoveredConnections(LEScanner&) override {
        return ConnectionFilter::scannerShouldIgnoreAllDiscoveredConnections(nullptr);
    }
    bool scannerShouldProceedWithConnectingTo(
        const std::shared_ptr<LEScannerConnectionInterface>& connection) override {
        return ConnectionFilter::scannerShouldProceedWithConnectingTo(connection);
    }
    void scannerIsOnAndReady() override {}
    void protocolVersionNotMatching(bool) override {}
};

std::string identifierFor(int n) {
    char text[40];
    std::snprintf(text, sizeof text, "00000000-0000-4000-8000-%012d", n);
    return text;
}

Value servicesValue(const char* service) {
    return Value(Value::Array{Value(platform::BluetoothUUID::constant(service).data())});
}

struct World {
    std::shared_ptr<platform::Radio> radio;
    std::shared_ptr<FilterDelegate> delegate;
    std::shared_ptr<LEScannerController> scanner;
};

World makeWorld() {
    platform::Clock::useVirtualTime();
    platform::RunLoop::main().reset();
    useFreshHome();
    World world;
    world.radio = platform::Radio::create();
    platform::BluetoothBackend::install(world.radio);
    world.delegate = std::make_shared<FilterDelegate>();
    world.scanner = LEScannerController::initWithDelegate(world.delegate);
    world.scanner->setServiceUUIDsToSearchFor({"B4C1"});
    platform::RunLoop::main().advance(0.1);
    ConnectionFilter::publishScannerAnswers();
    return world;
}

void tearDown(World& world) {
    platform::RunLoop::main().runUntilIdle();
    world.scanner.reset();
    platform::RunLoop::main().runUntilIdle();
    platform::BluetoothBackend::install(nullptr);
    platform::RunLoop::main().reset();
}

}  // namespace

// 200 peripherals the scanner knows, each heard again within its spacing: the advertisement is judged on
// another thread than the main one, as on the Bluetooth queue, and the connection controller's question
// comes first.
static void BM_JudgeAdvertisementsOfKnownThrottledPeripherals(benchmark::State& state) {
    World world = makeWorld();
    std::vector<std::shared_ptr<platform::Peripheral>> peripherals;
    for (int i = 0; i < 200; ++i) {
        auto device = std::make_shared<platform::SimulatedPeripheral>(identifierFor(i));
        device->setAdvertising(false);
        world.radio->addPeripheral(device);
        auto peripheral =
            world.scanner->centralManager()->retrievePeripheralsWithIdentifiers({identifierFor(i)});
        peripherals.push_back(peripheral.front());
        world.scanner->connectionForPeripheral(peripherals.back())
            ->triggerScannerTimestamp(LeScannerConnection::ScannerStamp::LastDetect);
    }
    const Value::Dictionary advertisement = {{AdvertisementData::kLocalName, Value("Kestrune")},
                                             {AdvertisementData::kServiceUUIDs, servicesValue("B4C1")},
                                             {AdvertisementData::kIsConnectable, Value(1)}};
    auto central = world.scanner->centralManager();
    const platform::Number rssi(-55);
    std::thread bluetooth([&] {
        size_t n = 0;
        for (auto _ : state) {
            world.scanner->centralManager_didDiscoverPeripheral_advertisementData_RSSI(
                *central, peripherals[n], advertisement, rssi);
            if (++n == peripherals.size()) n = 0;
        }
    });
    bluetooth.join();
    state.SetItemsProcessed(state.iterations());
    state.counters["found_connections"] = static_cast<double>(world.scanner->foundConnectionCount());
    tearDown(world);
}
BENCHMARK(BM_JudgeAdvertisementsOfKnownThrottledPeripherals)->UseRealTime();

// Fifty nearby advertisers, heard every second by a scan with duplicates, each taking a new address every
// fifteen minutes: half advertise a foreign local name, half other services. After a simulated hour the
// tables and the saves of the ignore list are reported; nothing is forgotten on the way (every sighted
// peripheral keeps its connection object, and reasons 3 and 4 are permanent).
static void BM_HourOfAdvertisersChangingAddress(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        World world = makeWorld();
        std::string archive = Utilities::applicationFilesDirectory();
        std::filesystem::create_directories(std::filesystem::path(archive).parent_path());
        int watcher = inotify_init1(IN_NONBLOCK);
        inotify_add_watch(watcher, std::filesystem::path(archive).parent_path().c_str(),
                          IN_MOVED_TO | IN_CLOSE_WRITE);
        const Value::Dictionary foreign = {{AdvertisementData::kLocalName, Value("Watch")},
                                           {AdvertisementData::kServiceUUIDs, servicesValue("B4C1")},
                                           {AdvertisementData::kIsConnectable, Value(1)}};
        const Value::Dictionary others = {{AdvertisementData::kServiceUUIDs, servicesValue("A111")},
                                          {AdvertisementData::kIsConnectable, Value(1)}};
        auto central = world.scanner->centralManager();
        state.ResumeTiming();

        int generation = 0;
        std::vector<std::shared_ptr<platform::Peripheral>> advertisers;
        for (int second = 0; second < 3600; ++second) {
            if (second % 900 == 0) {
                advertisers.clear();
                for (int i = 0; i < 50; ++i) {
                    std::string identifier = identifierFor(generation * 1000 + i);
                    auto device = std::make_shared<platform::SimulatedPeripheral>(identifier);
                    device->setAdvertising(false);
                    world.radio->addPeripheral(device);
                    advertisers.push_back(central->retrievePeripheralsWithIdentifiers({identifier}).front());
                }
                ++generation;
            }
            for (int i = 0; i < 50; ++i) {
                auto peripheral = advertisers[i];
                const auto& data = i % 2 ? others : foreign;
                central->deliver([peripheral, &data](platform::CentralManagerDelegate& receiver,
                                                     platform::CentralManager& manager) {
                    receiver.centralManager_didDiscoverPeripheral_advertisementData_RSSI(
                        manager, peripheral, data, platform::Number(-70));
                });
            }
            platform::RunLoop::main().advance(1.0);
        }

        state.PauseTiming();
        size_t saves = 0;
        alignas(inotify_event) char buffer[64 * 1024];
        std::string name = std::filesystem::path(archive).filename();
        for (ssize_t got; (got = read(watcher, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got;) {
                auto* event = reinterpret_cast<inotify_event*>(at);
                if ((event->mask & IN_MOVED_TO) && event->len && name == event->name) ++saves;
                at += sizeof(inotify_event) + event->len;
            }
        }
        close(watcher);
        state.counters["found_connections"] = static_cast<double>(world.scanner->foundConnectionCount());
        state.counters["found_peripherals"] = static_cast<double>(world.scanner->foundPeripherals().size());
        state.counters["ignore_list"] =
            static_cast<double>(world.scanner->ignoreManager().peripheralsToIgnore().size());
        state.counters["counted"] =
            static_cast<double>(world.scanner->ignoreManager().peripheralsToBeAddedOnIgnoreList().size());
        state.counters["pending_connects"] = static_cast<double>(world.scanner->pendingConnectCount());
        state.counters["ignore_list_saves"] = static_cast<double>(saves);
        tearDown(world);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HourOfAdvertisersChangingAddress)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
