#include "windows/clipboard/ClipboardGallery.h"

#include <memory>
#include <vector>

#include "menubar/MenuBarGallery.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "windows/clipboard/ClipboardInfoViewController.h"

namespace kestrune {

namespace {

ui::Scene clipboardWindow(bool connected) {
    trackSnapshotPhone(true, connected);
    auto controller = KSWindowController::create<ClipboardInfoViewController>();
    // Kept for the life of the process, as the tutorial factory keeps it.
    static auto* kept = new std::vector<std::shared_ptr<ClipboardInfoViewController>>();
    kept->push_back(controller);
    auto window = controller->window();
    window->orderFront(nullptr);
    // The flat button settles its size and colours a moment after its title changes.
    platform::RunLoop::main().runUntil([] { return false; }, 0.2);
    return {window, nullptr};
}

}  // namespace

void registerClipboardWindowGallery() {
    ui::SceneRegistry::add("clipboard-window-connected", [] { return clipboardWindow(true); });
    ui::SceneRegistry::add("clipboard-window-not-connected", [] { return clipboardWindow(false); });
}

}  // namespace kestrune
