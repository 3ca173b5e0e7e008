#include "menubar/navigation/SettingsWindowNavigation.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "menubar/pages/DevicesMenuManager.h"
#include "menubar/pages/SetupMenuManager.h"
#include "menubar/pages/TranslationHelpMenuManager.h"
#include "menubar/pages/UpdatesMenuManager.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {
constexpr const char* kDevicesRow = "devicesMenu";
constexpr const char* kSetupRow = "setupMenu";
constexpr const char* kUpdatesRow = "updatesMenu";
// A selection's completion runs this long after it, as the master list's own selection does.
constexpr double kSelectionCompletionDelay = 0.1;
}  // namespace

void SettingsWindowNavigation::initWithDelegate(std::weak_ptr<NavigationDelegate> delegate) {
    manager_ = KestruneMasterDetailNavManager::create();
    pages_ = {{kDevicesRow, BaseMenuItemManager::create<DevicesMenuManager>(delegate)},
              {kSetupRow, BaseMenuItemManager::create<SetupMenuManager>(delegate)},
              {kUpdatesRow, BaseMenuItemManager::create<UpdatesMenuManager>(delegate)}};
    translation_ = BaseMenuItemManager::create<TranslationHelpMenuManager>(delegate);
}

void SettingsWindowNavigation::setup(const std::shared_ptr<platform::ui::Window>& window) {
    auto split = std::dynamic_pointer_cast<WAYSourceListWindow>(window);
    if (!split || !manager_) {
        platform::logf("Settings window: %s", split ? "set up before its navigation was made"
                                                    : "the window given is not a source-list window");
        return;
    }
    manager_->setup(split);
}

void SettingsWindowNavigation::setFooterText(const std::string& text) {
    if (manager_) manager_->setFooterText(text);
}

std::shared_ptr<BaseMenuItemManager> SettingsWindowNavigation::pageForRow(const std::string& row) const {
    auto found = pages_.find(row);
    return found == pages_.end() ? nullptr : found->second;
}

void SettingsWindowNavigation::selectRowId_completion(const std::string& row,
                                                      std::function<void()> completion) {
    auto master = manager_ ? manager_->master() : nullptr;
    if (master && master->indexForRowId(row) != ListViewModelController::kNotFound) {
        manager_->selectRowId_completion(row, std::move(completion));
        return;
    }
    auto page = pageForRow(row);
    if (!page || !master) {
        SettingsNavigation::selectRowId_completion(row, std::move(completion));
        return;
    }
    manager_->showDetailList_source(page->getViewController(),
                                    MasterDetailNavigationManager::kSourceMasterList);
    platform::logf("Outcome: the settings window shows its page %s", row.c_str());
    if (completion) performAfterDelay_block(nullptr, kSelectionCompletionDelay, std::move(completion));
}

std::shared_ptr<BaseViewController> SettingsWindowNavigation::asPage(const ScreenController& controller) {
    auto page = std::dynamic_pointer_cast<BaseViewController>(controller);
    if (controller && !page)
        platform::logf("Settings window: a %s is not a page of the detail pane; it is not shown",
                       controller->className().c_str());
    return page;
}

void SettingsWindowNavigation::show(const ScreenController& controller, const std::string& title,
                                    int64_t source, bool popToRoot) {
    auto page = asPage(controller);
    if (page && manager_) manager_->showDetailList_title_source_popToRoot(page, title, source, popToRoot);
}

void SettingsWindowNavigation::showDetailList_title_source_popToRoot(const ScreenController& list,
                                                                     const std::string& title, int64_t source,
                                                                     bool popToRoot) {
    show(list, title, source, popToRoot);
}

void SettingsWindowNavigation::showDetailController_title_source_popToRoot(const ScreenController& controller,
                                                                           const std::string& title,
                                                                           int64_t source, bool popToRoot) {
    show(controller, title, source, popToRoot);
}

void SettingsWindowNavigation::pushDetailController(const ScreenController& controller) {
    show(controller, "", KestruneMasterDetailNavManager::kSourceDetailPane, false);
}

void SettingsWindowNavigation::pushDetailList(const ScreenController& list) {
    show(list, "", KestruneMasterDetailNavManager::kSourceDetailPane, false);
}

void SettingsWindowNavigation::popViewModelAnimated(bool animated) {
    if (manager_) manager_->popViewModelAnimated(animated);
}

void SettingsWindowNavigation::popToRootAnimated(bool animated) {
    if (manager_) manager_->popToRootAnimated(animated);
}

void SettingsWindowNavigation::pop() {
    if (manager_) manager_->pop();
}

void SettingsWindowNavigation::updateDevicesPage() {
    if (auto page = pageForRow(kDevicesRow)) page->updateViewDataIfNeeded();
}

void SettingsWindowNavigation::updateSetupPage() {
    if (auto page = pageForRow(kSetupRow)) page->updateViewDataIfNeeded();
}

void SettingsWindowNavigation::updateUpdatesPage() {
    if (auto page = pageForRow(kUpdatesRow)) page->updateViewDataIfNeeded();
}

ScreenController SettingsWindowNavigation::translationPage() {
    return translation_ ? translation_->getViewController() : nullptr;
}

}  // namespace kestrune
