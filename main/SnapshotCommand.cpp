#include "main/SnapshotCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/coordinator/EngineSessionServices.h"
#include "engine/coordinator/ShieldGallery.h"
#include "features/hotkeys/HotKeyGallery.h"
#include "features/language/BundleLanguage.h"
#include "main/CommandLineOptions.h"
#include "main/DrawingModule.h"
#include "main/InterfaceKitHelpers.h"
#include "menubar/MenuBarGallery.h"
#include "menubar/SettingsWindowGallery.h"
#include "platform/base/Clock.h"
#include "platform/bluetooth/BluetoothBackend.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/sim/radio/Radio.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/storage/StandardFolders.h"
#include "platform/system/Camera.h"
#include "platform/ui/DisplayCycle.h"
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
// with the application allowed to control the computer.
void installSimulatedMacForPictures() {
    platform::BluetoothBackend::install(platform::Radio::shared());
    static auto session =
        platform::SimulatedSession::create(platform::StandardFolders::library() + "/Kestrune/Session");
    session->install();
    session->desktop()->setProcessTrusted(true);
    EngineSessionServices::install();
    static auto wifi = platform::SimulatedWifi::create();
    wifi->install();
}
}  // namespace

void installInterfaceBackend() {
    // Most runs never draw: the drawing libraries are loaded when something first needs them.
    DrawingModule::installOnDemand();
    platform::ui::DisplayCycle::install();
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
    registerSettingsWindowGallery(installSimulatedMacForPictures, [] {
        auto wizard = KSWindowController::create<InitalWizzardController>();
        wizard->window();
        wizard->showPageAtIndex_animated(InitalWizzardController::kConfigurePage, false);
        return std::static_pointer_cast<KSWindowController>(wizard);
    });
    registerHistoryAndPhotosGallery(&platform::SimulatedCamera::testPattern);
    registerMenuBarGallery();
    registerClipboardWindowGallery();
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
    // The scenes wait for fades and animated texts to end: in virtual time, from this moment, they end at
    // once and every date a picture shows is today's.
    platform::Clock::useVirtualTime(platform::Clock::now());
    // The Mac of the pictures has the name the scenarios give it, not this machine's.
    setenv("KESTRUNE_COMPUTER_NAME", "Ada's MacBook Pro", 0);
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
    const auto& names = options.scenes;
    const size_t scenes = names.empty() ? platform::ui::SceneRegistry::names().size() : names.size();
    const int failures = platform::ui::SceneRegistry::renderAll(argv[2], names);
    std::printf("%s\n", snapshotSummary(scenes, static_cast<size_t>(failures), argv[2]).c_str());
    return failures == 0 ? 0 : 1;
}

}  // namespace kestrune
