#pragma once

#include <memory>
#include <vector>

#include "uikit/lists/KestruneListView.h"
#include "uikit/lists/KestruneListViewCellProtocol.h"
#include "uikit/lists/ListCellViewModel.h"

namespace kestrune {

// The binding of an array of view models to a list: one row each, drawn by the cell class the view
// model names, as high as it or its class says; selecting a row runs its view model's primary action.
class ListViewModelMapper : public PXListViewDelegate,
                            public std::enable_shared_from_this<ListViewModelMapper> {
public:
    // Becomes the list's delegate and gives the list its default look.
    static std::shared_ptr<ListViewModelMapper> initWithListView(
        const std::shared_ptr<KestruneListView>& list);

    bool implements(Op op) const override { return op == Op::SelectionDidChange; }
    uint64_t numberOfRowsInListView(PXListView& list) override;
    std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView& list, uint64_t row) override;
    std::shared_ptr<PXListViewCell> listView_cellForViewModel(
        PXListView& list, const std::shared_ptr<ListCellViewModel>& viewModel);
    double listView_heightForViewModel(PXListView& list, const ListCellViewModel& viewModel);
    // The view model's class, or the simple cell's when it names none.
    static const KestruneListViewCellProtocol& classForCellViewModel(const ListCellViewModel& viewModel);
    double listView_heightOfRow(PXListView& list, uint64_t row) override;
    void listViewSelectionDidChange(const platform::Notification& notification) override;

    std::shared_ptr<KestruneListView> listView() const { return listView_.lock(); }
    const std::vector<std::shared_ptr<ListCellViewModel>>& listViewModel() const { return listViewModel_; }
    void setListViewModel(std::vector<std::shared_ptr<ListCellViewModel>> viewModels) {
        listViewModel_ = std::move(viewModels);
    }

private:
    std::shared_ptr<ListCellViewModel> viewModelAt(uint64_t row) const;

    std::weak_ptr<KestruneListView> listView_;
    std::vector<std::shared_ptr<ListCellViewModel>> listViewModel_;
};

}  // namespace kestrune
