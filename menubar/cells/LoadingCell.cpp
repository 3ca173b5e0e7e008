#include "menubar/cells/LoadingCell.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kLoadingCellLayout;

const KestruneListViewCellProtocol& LoadingCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kLoadingCellLayout.name, 50, {}};
    return cellClass;
}

void LoadingCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (loading) loading->startAnimation();
}

void LoadingCell::drawRect(ui::Rect dirty) {
    KestruneListViewCell::drawRect(dirty);
    if (loading && !loading->isAnimating()) loading->startAnimation();
}

}  // namespace kestrune
