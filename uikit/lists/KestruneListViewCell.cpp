#include "uikit/lists/KestruneListViewCell.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "uikit/views/BackgroundColor.h"

namespace kestrune {

void KestruneListViewCell::initWithReusableIdentifier(const std::string& identifier) {
    PXListViewCell::initWithReusableIdentifier(identifier);
    isSelectionEnabled_ = false;
}

void KestruneListViewCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    if (!viewModel) return;
    viewModel_ = viewModel;
    // Whichever cell shows the view model re-renders when it changes; a cell that is gone does nothing.
    std::weak_ptr<KestruneListViewCell> weak = sharedAs<KestruneListViewCell>();
    viewModel->setViewModelUpdateHandler(
        [weak](const std::shared_ptr<ListCellViewModel>& changed) {
            if (auto cell = weak.lock()) cell->updateCellForCellViewModel(changed);
        },
        this);
    setCustomActionProperty(viewModel->primaryActionHandler());
    setAction2Property(viewModel->secondaryActionHandler());
    if (titleLabel) titleLabel->setStringValue(viewModel->title().value_or(""));
    if (descriptionLabel) descriptionLabel->setStringValue(viewModel->descriptionText().value_or(""));
    if (icon) icon->setImage(viewModel->iconName() ? ui::Image::imageNamed(*viewModel->iconName()) : nullptr);
    if (secondaryIcon) {
        secondaryIcon->setImage(viewModel->secondaryIconName()
                                    ? ui::Image::imageNamed(*viewModel->secondaryIconName())
                                    : nullptr);
    }
    updateSelectionColor();
    const double alpha = viewModel->isDisabled() ? 0.5 : 1.0;
    setAlphaValue(alpha);
    if (icon) icon->setAlphaValue(alpha);
    if (titleLabel) titleLabel->setAlphaValue(alpha);
    if (descriptionLabel) descriptionLabel->setAlphaValue(alpha);
}

void KestruneListViewCell::prepareForReuse() {
    PXListViewCell::prepareForReuse();
    // After a reload another cell may already show this view model: its handler stays.
    if (viewModel_ && viewModel_->viewModelUpdateHandlerOwner() == this)
        viewModel_->setViewModelUpdateHandler(nullptr);
    viewModel_.reset();
    setCustomActionProperty(nullptr);
    setAction2Property(nullptr);
    if (titleLabel) titleLabel->setStringValue("");
    if (descriptionLabel) descriptionLabel->setStringValue("");
    if (icon) icon->setImage(nullptr);
    if (secondaryIcon) secondaryIcon->setImage(nullptr);
}

void KestruneListViewCell::didUpdateSelection() {
    updateSelectionColor();
}

void KestruneListViewCell::updateSelectionColor() {
    if (!isSelectionEnabled_) return;
    setBackgouroundColor(
        *this, isSelected() ? ui::Color::whiteColor().colorWithAlphaComponent(0.2) : ui::Color::clearColor());
}

void KestruneListViewCell::layout() {
    PXListViewCell::layout();
    if (didLayoutSubviewsAtLeastOnce_) return;
    didLayoutSubviewsAtLeastOnce_ = true;
    std::weak_ptr<KestruneListViewCell> weak = sharedAs<KestruneListViewCell>();
    performAfterDelay_block(nullptr, 0.01, [weak] {
        auto cell = weak.lock();
        if (cell && cell->viewModel_) cell->updateCellForCellViewModel(cell->viewModel_);
    });
}

void KestruneListViewCell::drawRect(ui::Rect dirty) {
    PXListViewCell::drawRect(dirty);
    updateSelectionColor();
    if (backgroundImage && !(backgroundImage->image() && backgroundImage->image()->name() == "shadow"))
        backgroundImage->setImage(ui::Image::imageNamed("shadow"));
}

Block KestruneListViewCell::customActionProperty() const {
    std::lock_guard lock(actionsMutex_);
    return customActionProperty_;
}

void KestruneListViewCell::setCustomActionProperty(Block action) {
    std::lock_guard lock(actionsMutex_);
    customActionProperty_ = std::move(action);
}

Block KestruneListViewCell::action2Property() const {
    std::lock_guard lock(actionsMutex_);
    return action2Property_;
}

void KestruneListViewCell::setAction2Property(Block action) {
    std::lock_guard lock(actionsMutex_);
    action2Property_ = std::move(action);
}

void KestruneListViewCell::runCustomAction() const {
    if (auto action = customActionProperty()) action();
}

void KestruneListViewCell::runAction2() const {
    if (auto action = action2Property()) action();
}

std::vector<std::string> KestruneListViewCell::accessibilityAttributeNames() {
    return {"AXRole", "AXDescription", "AXTitle", "AXEnabled"};
}

platform::Value KestruneListViewCell::accessibilityAttributeValue(const std::string& attribute) {
    if (attribute == "AXRole") return "AXButton";
    if (attribute == "AXDescription" || attribute == "AXTitle")
        return titleLabel ? titleLabel->stringValue() : std::string();
    if (attribute == "AXEnabled") return true;
    return {};
}

}  // namespace kestrune
