#include "main/SnapshotCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/coordinator/EngineSessionServices.h"
#include "engine/coordinator/ShieldGallery.h"
#include "features/hotkeys/HotKeyGallery.h"
#include "features/language/BundleLanguage.h"
#include "main/CheckedOutput.h"
#include "main/CommandLineOptions.h"
#include "main/CrashPromptGallery.h"
#include "main/DrawingModule.h"
#include "main/InterfaceKitHelpers.h"
#include "main/SimulatedMacNames.h"
#include "main/StopSignals.h"
#include "menubar/MenuBarGallery.h"
#include "menubar/SettingsWindowGallery.h"
#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/sim/radio/Radio.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/storage/StandardFolders.h"
#include "platform/system/Camera.h"
#include "platform/system/NetworkReachability.h"
#include "platform/ui/DisplayCycle.h"
#include "platform/ui/Image.h"
#include "platform/ui/SceneRegistry.h"
#include "uikit/KitGallery.h"
#include "windows/HistoryPhotosGallery.h"
#include "windows/ListsGallery.h"
#include "windows/ScreensGallery.h"
#include "windows/WizardsGallery.h"
#include "windows/clipboard/ClipboardGallery.h"
#include "windows/wizard/InitalWizzardController.h"

namespace kestrune {

namespace {
// The settings pages read the machine; the simulated one stands in for it, as when the application runs,
// with the application allowed to control the computer. Answers its session.
std::shared_ptr<platform::SimulatedSession> installSimulatedMacForPictures() {
    platform::BluetoothBackend::install(platform::Radio::shared());
    static auto session = [] {
        auto made =
            platform::SimulatedSession::create(platform::StandardFolders::library() + "/Kestrune/Session");
        made->desktop()->setApplicationIcon(platform::ui::Image::imageNamed(kApplicationIconImage));
        return made;
    }();
    session->install();
    session->desktop()->setProcessTrusted(true);
    EngineSessionServices::install();
    static auto wifi = platform::SimulatedWifi::create();
    wifi->install();
    return session;
}

// The Mac of the pictures is offline: drawing sends nothing anywhere. The update checker, made for the
// pages that show updates, would otherwise fetch its configuration as soon as the virtual time the scenes
// pass through had gone beyond its wait after start-up.
class OfflineForPictures final : public platform::ReachabilityBackend {
public:
    std::optional<uint32_t> flagsForTarget(const platform::ReachabilityTarget&) override { return 0u; }
    // Nothing ever changes: a watch that never calls.
    uint64_t startWatching(std::function<void()>) override { return 1; }
    void stopWatching(uint64_t) override {}
};

// What the drawing says. Its output is its closing line: the application's log lines (the records the
// scenes make, the radio coming on, the controls they build) are held back, and go to standard error only
// when a scene could not be drawn, since one of them may say why; with the log's debug switch on every
// line goes out at once, as it always does. The lines that make a scenario's timeline ("Outcome: ...")
// are left out either way: while pictures are drawn no application runs, and a scene that opens the
// panel as a click would tells of nothing that happened.
class PicturesLog {
public:
    static void install() {
        platform::Log::setSink([](const std::string& line) {
            if (line.rfind("Outcome: ", 0) == 0) return;
            if (platform::Log::debug()) return platform::Log::writeToStandardError(line);
            std::lock_guard lock(state().mutex);
            // A bound, so that a scene that logs without end cannot take the memory: the earliest lines
            // are the ones kept.
            if (state().held.size() < kMostHeld) state().held.push_back(line);
        });
    }
    // Once every scene was tried: what was held back goes out when one failed, is dropped otherwise.
    // What is said later, as the process ends, is held and dropped.
    static void finish(int failures) {
        std::vector<std::string> held;
        {
            std::lock_guard lock(state().mutex);
            held.swap(state().held);
        }
        if (failures == 0) return;
        for (const auto& line : held) platform::Log::writeToStandardError(line);
    }

private:
    static constexpr size_t kMostHeld = 100000;
    struct State {
        std::mutex mutex;
        std::vector<std::string> held;
    };
    // Never destroyed: a worker may still log while the process exits.
    static State& state() {
        static auto* held = new State;
        return *held;
    }
};
}  // namespace

void installInterfaceBackend() {
    // Most runs never draw: the drawing libraries are loaded when something first needs them.
    DrawingModule::installOnDemand();
    platform::ui::DisplayCycle::install();
}

double snapshotMoment(double now) {
    const auto seconds = static_cast<std::time_t>(now);
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return now;
    local.tm_hour = 9;
    local.tm_min = 41;
    local.tm_sec = 0;
    local.tm_isdst = -1;  // the day's own offset, summer or winter
    const std::time_t moment = std::mktime(&local);
    return moment == static_cast<std::time_t>(-1) ? now : static_cast<double>(moment);
}

std::string snapshotSummary(size_t scenes, size_t failures, const std::string& folder) {
    const size_t drawn = scenes - std::min(failures, scenes);
    std::string line = std::to_string(drawn) + (drawn == 1 ? " scene" : " scenes") + " drawn in " + folder;
    if (failures > 0) line += "; " + std::to_string(failures) + " could not be drawn (the log says why)";
    return line;
}

void registerSnapshotScenes() {
    platform::ui::registerControlGallery();
    registerShieldGallery();
    registerHotKeyGallery();
    registerInterfaceKitGallery();
    registerListsAndSharingGallery();
    registerScreensGallery();
    registerWizardsGallery();
    registerSettingsWindowGallery([] { installSimulatedMacForPictures(); },
                                  [] {
                                      auto wizard = KSWindowController::create<InitalWizzardController>();
                                      wizard->window();
                                      wizard->showPageAtIndex_animated(
                                          InitalWizzardController::kConfigurePage, false);
                                      return std::static_pointer_cast<KSWindowController>(wizard);
                                  });
    registerHistoryAndPhotosGallery(&platform::SimulatedCamera::testPattern);
    registerMenuBarGallery();
    registerClipboardWindowGallery();
    registerCrashPromptGallery([] { return installSimulatedMacForPictures()->desktop(); });
}

std::optional<int> runSnapshotCommandIfAsked(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) != "--snapshot") return std::nullopt;
    if (argc < 3) {
        std::fprintf(stderr, "usage: kestrune --snapshot DIR [--language CODE] [NAME...]\n");
        return 2;
    }
    // Pictures need real pixels and real text: the Cairo and Pango backend, loaded now.
    const std::string module = DrawingModule::besideExecutable();
    if (!DrawingModule::install(module)) {
        std::fprintf(stderr, "kestrune: cannot draw without %s\n", module.c_str());
        return 1;
    }
    // The scenes wait for fades and animated texts to end: in virtual time they end at once.
    platform::Clock::useVirtualTime(snapshotMoment(platform::Clock::now()));
    PicturesLog::install();
    platform::ReachabilityBackend::install(std::make_shared<OfflineForPictures>());
    // The Mac of the pictures has the name and the account the scenarios give it, not this machine's.
    nameTheSimulatedMac();
    platform::ui::DisplayCycle::install();
    installInterfaceKitHelpers();
    // The Mac of the pictures has the simulated camera the application runs with: the photo window shows
    // its photos without claiming that there is no camera.
    platform::CaptureBackend::install(platform::SimulatedCamera::createDefault());
    // The pictures read in English unless the line names another language.
    const auto options = CommandLineOptions::parse(argc, argv);
    if (options.mode != CommandLineOptions::Mode::Snapshot) return 2;
    setGalleryLanguage(options.language);
    useGalleryLanguage();
    registerSnapshotScenes();
    const auto names = options.scenes.empty() ? platform::ui::SceneRegistry::names() : options.scenes;
    // One scene at a time: a stop by signal is taken between two scenes, and the process then ends as it
    // always does, which removes its home.
    size_t tried = 0;
    int failures = 0;
    for (; tried < names.size() && !StopSignals::received(); ++tried)
        failures += platform::ui::SceneRegistry::renderAll(argv[2], {names[tried]});
    PicturesLog::finish(failures);
    const std::string summary = snapshotSummary(tried, static_cast<size_t>(failures), argv[2]);
    const int signal = StopSignals::received();
    // Once it has said how far it got and its home is gone, the process ends by the signal.
    StopSignals::endBySignalAtExit(signal);
    CheckedOutput out(STDOUT_FILENO);
    if (tried < names.size()) {
        out << summary << "; stopped by " << StopSignals::name(signal) << " before the other "
            << names.size() - tried << "\n";
        return out.finish("the pictures' summary", StopSignals::exitStatus(signal), std::cerr);
    }
    out << summary << "\n";
    return out.finish("the pictures' summary", failures == 0 ? 0 : 1, std::cerr);
}

}  // namespace kestrune
