#include "menubar/lists/ListViewModelController.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kListViewModelControllerLayout;

std::shared_ptr<ListViewModelController> ListViewModelController::initWithListViewModel(
    std::vector<std::shared_ptr<ListCellViewModel>> viewModels) {
    auto controller = std::make_shared<ListViewModelController>();
    controller->setListViewModel(std::move(viewModels));
    controller->reloadListView();
    controller->init();
    return controller;
}

std::optional<std::string> ListViewModelController::nibName() const {
    return kListViewModelControllerLayout.name;
}

void ListViewModelController::viewDidLoad() {
    BaseViewController::viewDidLoad();
    setUpListView();
    reloadListView();
}

void ListViewModelController::setUpListView() {
    if (!listViewModelMapper_ && listView)
        listViewModelMapper_ = ListViewModelMapper::initWithListView(listView);
}

void ListViewModelController::reloadListView() {
    if (listView) listView->reloadData();
}

void ListViewModelController::setListViewModel(std::vector<std::shared_ptr<ListCellViewModel>> viewModels) {
    listViewModel_ = std::move(viewModels);
    if (listViewModelMapper_) listViewModelMapper_->setListViewModel(listViewModel_);
}

int64_t ListViewModelController::indexForRowId(const std::string& rowId) const {
    for (size_t i = 0; i < listViewModel_.size(); ++i) {
        const auto& vm = listViewModel_[i];
        if (vm && vm->rowId() == rowId) return static_cast<int64_t>(i);
    }
    return kNotFound;
}

void ListViewModelController::selectRowId_completion(const std::string& rowId, Block completion) {
    selectRowId_animated_completion(rowId, true, std::move(completion));
}

void ListViewModelController::selectRowId_animated_completion(const std::string& rowId, bool,
                                                              Block completion) {
    const int64_t index = indexForRowId(rowId);
    if (index != kNotFound && listView) listView->setSelectedRow(static_cast<uint64_t>(index));
    if (completion) performAfterDelay_block(nullptr, 0.1, std::move(completion));
}

void ListViewModelController::selectViewModel(const std::shared_ptr<ListCellViewModel>&) {
    if (listView) listView->setSelectedRow(0);
}

}  // namespace kestrune
