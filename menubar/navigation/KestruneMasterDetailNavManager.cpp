#include "menubar/navigation/KestruneMasterDetailNavManager.h"

namespace kestrune {

void KestruneMasterDetailNavManager::showDetailList_title_source_popToRoot(
    std::shared_ptr<BaseViewController> list, const std::string& title, int64_t source, bool popToRoot) {
    addContentViewForDetailView_source_popToRoot(
        ListDetailViewModel::initWithTitle_list(title, std::move(list)), source, popToRoot);
}

void KestruneMasterDetailNavManager::showDetailController_title_source_popToRoot(
    std::shared_ptr<KSWindowController> controller, const std::string& title, int64_t source,
    bool popToRoot) {
    addContentViewForDetailView_source_popToRoot(
        ListDetailViewModel::initWithTitle_controller(title, std::move(controller)), source, popToRoot);
}

void KestruneMasterDetailNavManager::showDetailList_title_source(std::shared_ptr<BaseViewController> list,
                                                                 const std::string& title, int64_t source) {
    showDetailList_title_source_popToRoot(std::move(list), title, source, false);
}

void KestruneMasterDetailNavManager::showDetailController_title_source(
    std::shared_ptr<KSWindowController> controller, const std::string& title, int64_t source) {
    showDetailController_title_source_popToRoot(std::move(controller), title, source, false);
}

void KestruneMasterDetailNavManager::showDetailList_source(std::shared_ptr<BaseViewController> list,
                                                           int64_t source) {
    showDetailList_title_source_popToRoot(std::move(list), "", source, false);
}

void KestruneMasterDetailNavManager::showDetailController_source(
    std::shared_ptr<KSWindowController> controller, int64_t source) {
    showDetailController_title_source_popToRoot(std::move(controller), "", source, false);
}

void KestruneMasterDetailNavManager::pushDetailList(std::shared_ptr<BaseViewController> list) {
    showDetailList_source(std::move(list), kSourceDetailPane);
}

void KestruneMasterDetailNavManager::pushDetailController(std::shared_ptr<KSWindowController> controller) {
    showDetailController_source(std::move(controller), kSourceDetailPane);
}

}  // namespace kestrune
