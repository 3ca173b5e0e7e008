#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "menubar/lists/ListViewModelMapper.h"
#include "uikit/bases/BaseViewController.h"
#include "uikit/lists/KestruneListView.h"

namespace kestrune {

// A page that is one list of view-model rows. Its owner gives it the rows whenever the page will
// appear, and reloads it.
class ListViewModelController : public BaseViewController {
public:
    static constexpr int64_t kNotFound = std::numeric_limits<int64_t>::max();

    // The rows are kept for later: the list and its binding do not exist yet.
    static std::shared_ptr<ListViewModelController> initWithListViewModel(
        std::vector<std::shared_ptr<ListCellViewModel>> viewModels);
    // "ListViewModelController": the list filling the page.
    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    void setUpListView();
    void reloadListView();
    void setListViewModel(std::vector<std::shared_ptr<ListCellViewModel>> viewModels);
    void selectRowId_completion(const std::string& rowId, Block completion);
    // Selects the row (running its primary action) when the id is found; either way the completion
    // runs 0.1 s later. `animated` changes nothing.
    void selectRowId_animated_completion(const std::string& rowId, bool animated, Block completion);
    int64_t indexForRowId(const std::string& rowId) const;
    // Selects the first row, whichever view model is given.
    void selectViewModel(const std::shared_ptr<ListCellViewModel>& viewModel);

    // Outlet.
    std::shared_ptr<KestruneListView> listView;
    const std::vector<std::shared_ptr<ListCellViewModel>>& listViewModel() const { return listViewModel_; }
    const std::shared_ptr<ListViewModelMapper>& listViewModelMapper() const { return listViewModelMapper_; }

private:
    std::vector<std::shared_ptr<ListCellViewModel>> listViewModel_;
    std::shared_ptr<ListViewModelMapper> listViewModelMapper_;
};

}  // namespace kestrune
