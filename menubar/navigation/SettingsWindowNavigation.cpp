#include "menubar/navigation/SettingsWindowNavigation.h"

#include "platform/base/Log.h"

namespace kestrune {

void SettingsWindowNavigation::initWithDelegate(std::weak_ptr<NavigationDelegate> delegate) {
    manager_ = KestruneMasterDetailNavManager::create();
    factory_ = MenuManagerFactory::initWithDelegate(std::move(delegate));
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

void SettingsWindowNavigation::setInitialListViewModelFromFactory() {
    if (manager_ && factory_) manager_->setInitialListViewModel(factory_->generateListModel());
}

void SettingsWindowNavigation::selectRowId_completion(const std::string& row,
                                                      std::function<void()> completion) {
    auto master = manager_ ? manager_->master() : nullptr;
    if (master && master->indexForRowId(row) != ListViewModelController::kNotFound) {
        manager_->selectRowId_completion(row, std::move(completion));
        return;
    }
    // Nothing to select: what follows the selection (the window coming forward) still happens.
    platform::logf("Settings window: no row %s in the master list", row.c_str());
    if (completion) completion();
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
    if (factory_) factory_->devicesMenuManager->updateViewDataIfNeeded();
}

void SettingsWindowNavigation::updateSetupPage() {
    if (factory_) factory_->setupMenuManager->updateViewDataIfNeeded();
}

void SettingsWindowNavigation::updateUpdatesPage() {
    if (factory_) factory_->updatesMenuManager->updateViewDataIfNeeded();
}

void SettingsWindowNavigation::showLockUnlockHistory() {
    if (factory_) factory_->photosAndHistoryManager->showLockUnlockHistory();
}

void SettingsWindowNavigation::showFailedLoginWindowWithEntry(
    const std::shared_ptr<platform::Object>& entry) {
    if (factory_) factory_->photosAndHistoryManager->showFailedLoginWindowWithEntry(entry);
}

void SettingsWindowNavigation::showManualSnapshotsWindowWithEntry(
    const std::shared_ptr<platform::Object>& entry) {
    if (factory_) factory_->photosAndHistoryManager->showManualSnapshotsWindowWithEntry(entry);
}

void SettingsWindowNavigation::showLoginEntriesWithSelectedEntry(
    const std::shared_ptr<platform::Object>& entry) {
    if (factory_) factory_->photosAndHistoryManager->showLoginEntriesWithSelectedEntry(entry);
}

ScreenController SettingsWindowNavigation::translationPage() {
    return factory_ ? factory_->translationMenuManager->getViewController() : nullptr;
}

}  // namespace kestrune
