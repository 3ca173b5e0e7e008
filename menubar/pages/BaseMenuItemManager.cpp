#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

void BaseMenuItemManager::initWithDelegate(std::weak_ptr<NavigationDelegate> delegate) {
    delegate_ = std::move(delegate);
}

std::shared_ptr<ListViewModelController> BaseMenuItemManager::getViewController() {
    updateViewControllerWithViewModel();
    return listViewModelController_;
}

void BaseMenuItemManager::updateViewControllerWithViewModel() {
    if (!listViewModelController_) {
        listViewModelController_ = ListViewModelController::initWithListViewModel({});
        std::weak_ptr<BaseMenuItemManager> weak = weak_from_this();
        listViewModelController_->setViewWillAppearHandler([weak] {
            if (auto self = weak.lock()) self->updateViewDataIfNeededForced(true);
        });
    }
    updateViewDataIfNeededForced(false);
}

bool BaseMenuItemManager::viewControllerIsShown() const {
    if (!listViewModelController_) return false;
    auto view = listViewModelController_->mainView();
    return view && view->superview() != nullptr;
}

void BaseMenuItemManager::updateViewDataIfNeeded() {
    updateViewDataIfNeededForced(false);
}

void BaseMenuItemManager::updateViewDataIfNeededForced(bool force) {
    if (!listViewModelController_ || !(force || viewControllerIsShown())) return;
    listViewModelController_->setTitleDescription(createTitleText());
    listViewModelController_->setListViewModel(createViewModel());
    listViewModelController_->reloadListView();
}

void BaseMenuItemManager::reloadData() {
    updateViewControllerWithViewModel();
}

Block BaseMenuItemManager::navigate(void (NavigationDelegate::*operation)(), bool reload) {
    return weakly<BaseMenuItemManager>([operation, reload](BaseMenuItemManager& self) {
        if (auto delegate = self.delegate()) (delegate.get()->*operation)();
        if (reload) self.reloadData();
    });
}

}  // namespace kestrune
