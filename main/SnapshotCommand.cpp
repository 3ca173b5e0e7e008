#include "main/SnapshotCommand.h"

#include <cstdio>
#include <string>
#include <vector>

#include "menubar/MenuBarGallery.h"
#include "platform/ui/DisplayCycle.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "uikit/KitGallery.h"
#include "windows/ListsGallery.h"
#include "windows/clipboard/ClipboardGallery.h"

namespace kestrune {

void installInterfaceBackend() {
    platform::ui::CairoRenderer::installAsBackend();
    platform::ui::DisplayCycle::install();
}

std::optional<int> runSnapshotCommandIfAsked(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) != "--snapshot") return std::nullopt;
    if (argc < 3) {
        std::fprintf(stderr, "usage: kestrune --snapshot DIR [NAME...]\n");
        return 2;
    }
    // Pictures need real pixels and real text: the Cairo and Pango backend.
    installInterfaceBackend();
    platform::ui::registerControlGallery();
    registerInterfaceKitGallery();
    registerListsAndSharingGallery();
    registerMenuBarGallery();
    registerClipboardWindowGallery();
    std::vector<std::string> names(argv + 3, argv + argc);
    const int failures = platform::ui::SceneRegistry::renderAll(argv[2], names);
    return failures == 0 ? 0 : 1;
}

}  // namespace kestrune
