#include "main/SnapshotCommand.h"

#include <cstdio>
#include <string>
#include <vector>

#include "engine/coordinator/ShieldGallery.h"
#include "features/hotkeys/HotKeyGallery.h"
#include "features/language/BundleLanguage.h"
#include "main/DrawingModule.h"
#include "main/InterfaceKitHelpers.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/ui/DisplayCycle.h"
#include "platform/ui/SceneRegistry.h"
#include "uikit/KitGallery.h"
#include "windows/HistoryPhotosGallery.h"
#include "windows/ListsGallery.h"
#include "windows/ScreensGallery.h"
#include "windows/WizardsGallery.h"

namespace kestrune {

void installInterfaceBackend() {
    // Most runs never draw: the drawing libraries are loaded when something first needs them.
    DrawingModule::installOnDemand();
    platform::ui::DisplayCycle::install();
}

std::optional<int> runSnapshotCommandIfAsked(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) != "--snapshot") return std::nullopt;
    if (argc < 3) {
        std::fprintf(stderr, "usage: kestrune --snapshot DIR [NAME...]\n");
        return 2;
    }
    // Pictures need real pixels and real text: the Cairo and Pango backend, loaded now.
    const std::string module = DrawingModule::besideExecutable();
    if (!DrawingModule::install(module)) {
        std::fprintf(stderr, "kestrune: cannot draw without %s\n", module.c_str());
        return 1;
    }
    platform::ui::DisplayCycle::install();
    installInterfaceKitHelpers();
    // The pictures read in English.
    setLocalizableLanguage("en");
    platform::ui::registerControlGallery();
    registerShieldGallery();
    registerHotKeyGallery();
    registerInterfaceKitGallery();
    registerListsAndSharingGallery();
    registerScreensGallery();
    registerWizardsGallery();
    registerHistoryAndPhotosGallery(&platform::SimulatedCamera::testPattern);
    std::vector<std::string> names(argv + 3, argv + argc);
    const int failures = platform::ui::SceneRegistry::renderAll(argv[2], names);
    return failures == 0 ? 0 : 1;
}

}  // namespace kestrune
