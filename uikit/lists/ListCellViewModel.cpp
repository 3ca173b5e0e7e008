#include "uikit/lists/ListCellViewModel.h"

namespace kestrune {

ListCellViewModel& ListCellViewModel::title(std::optional<std::string> text) {
    title_ = std::move(text);
    updateViewForViewModelUpdate();
    return *this;
}

ListCellViewModel& ListCellViewModel::valueText(std::optional<std::string> text) {
    valueText_ = std::move(text);
    updateViewForViewModelUpdate();
    return *this;
}

ListCellViewModel& ListCellViewModel::leftMargin(int64_t margin) {
    leftMargin_ = margin;
    updateViewForViewModelUpdate();
    return *this;
}

ListCellViewModel& ListCellViewModel::descriptionText(std::optional<std::string> text) {
    descriptionText_ = std::move(text);
    updateViewForViewModelUpdate();
    return *this;
}

ListCellViewModel& ListCellViewModel::iconName(std::optional<std::string> name) {
    iconName_ = std::move(name);
    updateViewForViewModelUpdate();
    return *this;
}

ListCellViewModel& ListCellViewModel::secondaryIconName(std::optional<std::string> name) {
    secondaryIconName_ = std::move(name);
    updateViewForViewModelUpdate();
    return *this;
}

ListCellViewModel& ListCellViewModel::primaryActionHandler(Block action) {
    primaryActionHandler_ = std::move(action);
    updateViewForViewModelUpdate();
    return *this;
}

ListCellViewModel& ListCellViewModel::secondaryActionHandler(Block action) {
    secondaryActionHandler_ = std::move(action);
    updateViewForViewModelUpdate();
    return *this;
}

void ListCellViewModel::updateViewForViewModelUpdate() {
    if (!viewModelUpdateHandler_) return;
    // The cell re-installs its handler while it renders: run a copy.
    const UpdateHandler handler = viewModelUpdateHandler_;
    if (auto self = std::static_pointer_cast<ListCellViewModel>(weak_from_this().lock())) handler(self);
}

}  // namespace kestrune
