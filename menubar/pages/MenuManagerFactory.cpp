#include "menubar/pages/MenuManagerFactory.h"

#include "app/support/Localizable.h"
#include "menubar/lists/ListViewModelFactory.h"

namespace kestrune {

namespace {
using F = ListViewModelFactory;
constexpr int64_t kMasterList = NavigationDelegate::kSourceMasterList;
}  // namespace

std::shared_ptr<MenuManagerFactory> MenuManagerFactory::initWithDelegate(
    std::weak_ptr<NavigationDelegate> delegate) {
    auto factory = std::make_shared<MenuManagerFactory>();
    factory->delegate_ = delegate;
    factory->photosAndHistoryManager = BaseMenuItemManager::create<PhotosAndHistoryManager>(delegate);
    factory->helpMenuManager = BaseMenuItemManager::create<HelpMenuManager>(delegate);
    factory->advancedMenuManager = BaseMenuItemManager::create<AdvancedMenuManager>(delegate);
    factory->musicMenuManager = BaseMenuItemManager::create<MusicMenuManager>(delegate);
    factory->setupMenuManager = BaseMenuItemManager::create<SetupMenuManager>(delegate);
    factory->clipboardManager = BaseMenuItemManager::create<ClipboardMenuManager>(delegate);
    factory->devicesMenuManager = BaseMenuItemManager::create<DevicesMenuManager>(delegate);
    factory->updatesMenuManager = BaseMenuItemManager::create<UpdatesMenuManager>(delegate);
    factory->shareMenuManager = BaseMenuItemManager::create<ShareMenuManager>(delegate);
    factory->allCellsMenuManager = BaseMenuItemManager::create<AllCellsMenuManager>(delegate);
    factory->translationMenuManager = BaseMenuItemManager::create<TranslationHelpMenuManager>(delegate);
    return factory;
}

std::vector<MenuManagerFactory::VM> MenuManagerFactory::generateListModel() {
    return {devicesMenuCell(),      F::separatorCell(), setupMenCell(), wifiUnlockMenu(),
            photosAndHistoryMenu(), clipboardMenu(),    musicMenu(),    advancedMenu(),
            updatesMenu(),          F::separatorCell(), helpMenu(),     shareMenu()};
}

void MenuManagerFactory::showDetailList_source(const std::shared_ptr<platform::ui::ViewController>& list,
                                               int64_t source) {
    if (auto delegate = this->delegate()) delegate->showDetailList_source_popToRoot(list, source, false);
}

void MenuManagerFactory::showWifiUnlockOptionForSource(int64_t source) {
    if (auto delegate = this->delegate()) delegate->showWifiUnlockOptionForSource(source);
}

template <typename Manager>
MenuManagerFactory::VM MenuManagerFactory::pageRow(const char* icon, const char* title, const char* rowId,
                                                   std::shared_ptr<Manager> MenuManagerFactory::*manager) {
    std::weak_ptr<MenuManagerFactory> weak = weak_from_this();
    const std::string id = rowId;
    auto row =
        F::regularCellWithIcon_title_action(std::string(icon), localizable(title), [weak, manager, id] {
            auto self = weak.lock();
            if (!self) return;
            if (auto page = (*self).*manager)
                self->showDetailList_source(page->getViewController(), kMasterList);
        });
    row->setRowId(id);
    return row;
}

MenuManagerFactory::VM MenuManagerFactory::devicesMenuCell() {
    return pageRow("menu_icon_devices", "my_devices", "devicesMenu", &MenuManagerFactory::devicesMenuManager);
}

MenuManagerFactory::VM MenuManagerFactory::setupMenCell() {
    return pageRow("menu_icon_setup", "kestrune_options", "setupMenu", &MenuManagerFactory::setupMenuManager);
}

// The trusted Wi-Fi screen is not a list page: the coordinator shows it.
MenuManagerFactory::VM MenuManagerFactory::wifiUnlockMenu() {
    std::weak_ptr<MenuManagerFactory> weak = weak_from_this();
    auto row = F::regularCellWithIcon_title_action(std::string("menu_icon_wifi_unlock"),
                                                   localizable("wifi_unlock"), [weak] {
                                                       if (auto self = weak.lock())
                                                           self->showWifiUnlockOptionForSource(kMasterList);
                                                   });
    row->setRowId(std::string("wifiMenu"));
    return row;
}

MenuManagerFactory::VM MenuManagerFactory::photosAndHistoryMenu() {
    return pageRow("menu_icon_photos", "login_photos_short", "photosAndHistoryMenu",
                   &MenuManagerFactory::photosAndHistoryManager);
}

MenuManagerFactory::VM MenuManagerFactory::clipboardMenu() {
    return pageRow("menu_icon_clipboard", "clipboard", "clipboardMenu",
                   &MenuManagerFactory::clipboardManager);
}

MenuManagerFactory::VM MenuManagerFactory::musicMenu() {
    return pageRow("menu_icon_music", "music_options", "musicMenu", &MenuManagerFactory::musicMenuManager);
}

MenuManagerFactory::VM MenuManagerFactory::advancedMenu() {
    return pageRow("menu_icon_advanced", "advanced_settings", "advancedMenu",
                   &MenuManagerFactory::advancedMenuManager);
}

MenuManagerFactory::VM MenuManagerFactory::updatesMenu() {
    return pageRow("menu_icon_updates", "check_for_updates", "updatesMenu",
                   &MenuManagerFactory::updatesMenuManager);
}

MenuManagerFactory::VM MenuManagerFactory::helpMenu() {
    return pageRow("menu_icon_help", "help", "helpMenu", &MenuManagerFactory::helpMenuManager);
}

MenuManagerFactory::VM MenuManagerFactory::shareMenu() {
    return pageRow("menu_icon_share", "share_kestrune", "shareMenu", &MenuManagerFactory::shareMenuManager);
}

}  // namespace kestrune
