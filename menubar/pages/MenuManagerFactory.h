#pragma once

#include <memory>
#include <vector>

#include "engine/coordinator/NavigationDelegate.h"
#include "menubar/pages/AdvancedMenuManager.h"
#include "menubar/pages/AllCellsMenuManager.h"
#include "menubar/pages/ClipboardMenuManager.h"
#include "menubar/pages/DevicesMenuManager.h"
#include "menubar/pages/HelpMenuManager.h"
#include "menubar/pages/MusicMenuManager.h"
#include "menubar/pages/PhotosAndHistoryManager.h"
#include "menubar/pages/SetupMenuManager.h"
#include "menubar/pages/ShareMenuManager.h"
#include "menubar/pages/TranslationHelpMenuManager.h"
#include "menubar/pages/UpdatesMenuManager.h"
#include "uikit/lists/ListCellViewModel.h"

namespace kestrune {

// Makes and owns every page of the settings window, all at once, each reporting to the navigation
// delegate; and builds the window's master list, whose rows open those pages. The rows hold the
// factory weakly: once it is gone they do nothing.
class MenuManagerFactory : public std::enable_shared_from_this<MenuManagerFactory> {
public:
    using VM = std::shared_ptr<ListCellViewModel>;

    static std::shared_ptr<MenuManagerFactory> initWithDelegate(std::weak_ptr<NavigationDelegate> delegate);

    // The master list: 12 rows, separators at the second and the tenth.
    std::vector<VM> generateListModel();
    // A page from the master list: in place of what the detail pane shows, without going back first.
    void showDetailList_source(const std::shared_ptr<platform::ui::ViewController>& list, int64_t source);
    void showWifiUnlockOptionForSource(int64_t source);

    // The rows.
    VM devicesMenuCell();
    VM setupMenCell();
    VM wifiUnlockMenu();
    VM photosAndHistoryMenu();
    VM clipboardMenu();
    VM musicMenu();
    VM advancedMenu();
    VM updatesMenu();
    VM helpMenu();
    VM shareMenu();

    std::shared_ptr<NavigationDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<NavigationDelegate> delegate) { delegate_ = std::move(delegate); }

    std::shared_ptr<PhotosAndHistoryManager> photosAndHistoryManager;
    std::shared_ptr<HelpMenuManager> helpMenuManager;
    std::shared_ptr<AdvancedMenuManager> advancedMenuManager;
    std::shared_ptr<MusicMenuManager> musicMenuManager;
    std::shared_ptr<SetupMenuManager> setupMenuManager;
    std::shared_ptr<ClipboardMenuManager> clipboardManager;
    std::shared_ptr<UpdatesMenuManager> updatesMenuManager;
    std::shared_ptr<ShareMenuManager> shareMenuManager;
    std::shared_ptr<AllCellsMenuManager> allCellsMenuManager;
    std::shared_ptr<DevicesMenuManager> devicesMenuManager;
    std::shared_ptr<TranslationHelpMenuManager> translationMenuManager;

private:
    // A regular row with its icon, title and id, whose action shows the page of the manager the member
    // names.
    template <typename Manager>
    VM pageRow(const char* icon, const char* title, const char* rowId,
               std::shared_ptr<Manager> MenuManagerFactory::*manager);

    std::weak_ptr<NavigationDelegate> delegate_;
};

}  // namespace kestrune
