#include "main/InterfaceWiring.h"

#include "engine/coordinator/CoordinatorServices.h"
#include "menubar/navigation/SettingsWindowNavigation.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"
#include "windows/WindowArtwork.h"
#include "windows/info/PhotosAndHistoryScreenFactory.h"
#include "windows/screens/InformationScreenFactory.h"
#include "windows/screens/TutorialFactory.h"

namespace kestrune {

void installInterface(CoordinatorServices& services) {
    // The screens' pictures that are drawn by code, before any screen names one.
    registerWindowArtwork();
    services.tutorials = std::make_shared<TutorialFactory>();
    services.screens = std::make_shared<InformationScreenFactory>();
}

void installSettingsWindow(CoordinatorServices& services) {
    services.splitWindow = WAYSourceListWindow::create(
        {200, 200, 1095, 575}, platform::ui::kWindowStyleTitled | platform::ui::kWindowStyleClosable |
                                   platform::ui::kWindowStyleMiniaturizable |
                                   platform::ui::kWindowStyleResizable);
    services.navigation = std::make_shared<SettingsWindowNavigation>();
    PhotosAndHistoryScreens::install(std::make_shared<PhotosAndHistoryScreenFactory>());
}

void uninstallSettingsWindowForTesting() {
    PhotosAndHistoryScreens::install(nullptr);
}

}  // namespace kestrune
