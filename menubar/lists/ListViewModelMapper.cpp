#include "menubar/lists/ListViewModelMapper.h"

#include "menubar/cells/SimpleListCell.h"
#include "menubar/lists/ListCellFactory.h"
#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

std::shared_ptr<ListViewModelMapper> ListViewModelMapper::initWithListView(
    const std::shared_ptr<KestruneListView>& list) {
    auto mapper = std::make_shared<ListViewModelMapper>();
    mapper->listView_ = list;
    if (list) {
        list->setDelegate(mapper);
        list->setupDefaultProperties();
    }
    return mapper;
}

std::shared_ptr<ListCellViewModel> ListViewModelMapper::viewModelAt(uint64_t row) const {
    return row < listViewModel_.size() ? listViewModel_[row] : nullptr;
}

uint64_t ListViewModelMapper::numberOfRowsInListView(PXListView&) {
    return listViewModel_.size();
}

const KestruneListViewCellProtocol& ListViewModelMapper::classForCellViewModel(
    const ListCellViewModel& viewModel) {
    return viewModel.viewClass() ? *viewModel.viewClass() : SimpleListCell::cellClass();
}

double ListViewModelMapper::listView_heightOfRow(PXListView& list, uint64_t row) {
    auto viewModel = viewModelAt(row);
    if (!viewModel) return 0;
    if (viewModel->customRowHeight() != 0) return viewModel->customRowHeight();
    return listView_heightForViewModel(list, *viewModel);
}

double ListViewModelMapper::listView_heightForViewModel(PXListView&, const ListCellViewModel& viewModel) {
    const auto& cellClass = classForCellViewModel(viewModel);
    return cellClass.cellHeightForViewModel ? cellClass.cellHeightForViewModel(viewModel)
                                            : cellClass.cellHeight;
}

std::shared_ptr<PXListViewCell> ListViewModelMapper::listView_cellForRow(PXListView& list, uint64_t row) {
    auto viewModel = viewModelAt(row);
    return viewModel ? listView_cellForViewModel(list, viewModel) : nullptr;
}

std::shared_ptr<PXListViewCell> ListViewModelMapper::listView_cellForViewModel(
    PXListView& list, const std::shared_ptr<ListCellViewModel>& viewModel) {
    auto cell = ListCellFactory::cellForList_object(list, classForCellViewModel(*viewModel));
    if (auto settingsCell = std::dynamic_pointer_cast<KestruneListViewCell>(cell))
        settingsCell->updateCellForCellViewModel(viewModel);
    return cell;
}

void ListViewModelMapper::listViewSelectionDidChange(const platform::Notification&) {
    auto list = listView_.lock();
    if (!list) return;
    // The selection stays: selecting the same row again runs its action again.
    auto viewModel = viewModelAt(list->selectedRow());
    if (!viewModel) return;
    if (auto action = viewModel->primaryActionHandler()) action();
}

}  // namespace kestrune
