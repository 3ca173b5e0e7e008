#include "windows/clipboard/ClipboardGallery.h"

#include <memory>
#include <vector>

#include "menubar/MenuBarGallery.h"
#include "menubar/navigation/SettingsWindowNavigation.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"
#include "windows/clipboard/ClipboardInfoViewController.h"
#include "windows/screens/TutorialFactory.h"

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

// "Read more" on the clipboard page, as the coordinator answers it: the clipboard row is selected (its
// page shown, as the coordinator does when the row reports the selection), then the tutorial factory's
// how-to screen is pushed over the page in the settings window.
ui::Scene clipboardHowTo(bool connected) {
    trackSnapshotPhone(true, connected);
    struct Kept {
        std::shared_ptr<ui::Window> window;
        std::shared_ptr<SettingsWindowNavigation> navigation;
        std::shared_ptr<TutorialFactory> tutorials;
    };
    static auto* kept = new std::vector<Kept>();
    Kept scene{WAYSourceListWindow::create({200, 200, 1095, 575}),
               std::make_shared<SettingsWindowNavigation>(), std::make_shared<TutorialFactory>()};
    kept->push_back(scene);
    scene.navigation->initWithDelegate(std::weak_ptr<NavigationDelegate>());
    scene.navigation->setup(scene.window);
    scene.navigation->setInitialListViewModelFromFactory();
    scene.window->orderFront(nullptr);
    auto navigation = scene.navigation;
    auto tutorials = scene.tutorials;
    navigation->selectRowId_completion("clipboardMenu", [navigation, tutorials] {
        navigation->showDetailList_title_source_popToRoot(
            navigation->factory()->clipboardManager->getViewController(), "",
            MasterDetailNavigationManager::kSourceMasterList, false);
        navigation->pushDetailController(
            tutorials->clipboardTutorial(std::weak_ptr<ClipboardInfoViewControllerDelegate>()));
    });
    // The detail pane slides the page in; the flat button settles after its title changes.
    platform::RunLoop::main().runUntil([] { return false; }, 1.5);
    return {scene.window, nullptr};
}

}  // namespace

void registerClipboardWindowGallery() {
    ui::SceneRegistry::add("clipboard-window-connected", [] { return clipboardWindow(true); });
    ui::SceneRegistry::add("clipboard-window-not-connected", [] { return clipboardWindow(false); });
    ui::SceneRegistry::add("clipboard-how-to-connected", [] { return clipboardHowTo(true); });
    ui::SceneRegistry::add("clipboard-how-to-not-connected", [] { return clipboardHowTo(false); });
}

}  // namespace kestrune
