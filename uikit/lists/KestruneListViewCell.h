#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/lists/KestruneListViewCellProtocol.h"
#include "uikit/lists/ListCellViewModel.h"
#include "uikit/lists/PXListViewCell.h"

namespace kestrune {

// The base of every settings cell: fills the common parts of a row (title, description, icons,
// disabled look, selection colour) from a view model, keeps the row's two actions, and renders again
// whenever the view model announces a change. A layout may leave any outlet unset.
class KestruneListViewCell : public PXListViewCell {
public:
    static std::shared_ptr<KestruneListViewCell> create(const std::string& identifier) {
        auto cell = std::make_shared<KestruneListViewCell>();
        cell->initWithReusableIdentifier(identifier);
        return cell;
    }
    // The base class is no cell class of its own.
    static const KestruneListViewCellProtocol* cellClass() { return nullptr; }
    static std::string nibName() { return ""; }
    static double cellHeight() { return 55; }

    void initWithReusableIdentifier(const std::string& identifier) override;
    // Subclasses call this first, then fill their own parts.
    virtual void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel);
    void prepareForReuse() override;
    void didUpdateSelection() override;
    void updateSelectionColor() override;
    // The first layout renders the view model once more a moment later, when the cell has its size.
    void layout() override;
    void drawRect(ui::Rect dirty) override;

    std::vector<std::string> accessibilityAttributeNames() override;
    platform::Value accessibilityAttributeValue(const std::string& attribute) override;

    // Outlets.
    std::shared_ptr<ui::ImageView> backgroundImage;
    std::shared_ptr<ui::ImageView> icon;
    std::shared_ptr<ui::ImageView> secondaryIcon;
    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> descriptionLabel;
    std::shared_ptr<ui::Button> button1;
    std::shared_ptr<ui::Button> button2;

    const std::shared_ptr<ListCellViewModel>& viewModel() const { return viewModel_; }
    void setViewModel(std::shared_ptr<ListCellViewModel> viewModel) { viewModel_ = std::move(viewModel); }
    Block customActionProperty() const;
    void setCustomActionProperty(Block action);
    Block action2Property() const;
    void setAction2Property(Block action);
    bool isSelectionEnabled() const { return isSelectionEnabled_; }
    void setIsSelectionEnabled(bool flag) { isSelectionEnabled_ = flag; }
    bool didLayoutSubviewsAtLeastOnce() const { return didLayoutSubviewsAtLeastOnce_; }
    void setDidLayoutSubviewsAtLeastOnce(bool flag) { didLayoutSubviewsAtLeastOnce_ = flag; }

protected:
    // Runs one of the two kept actions; nothing when it is not set.
    void runCustomAction() const;
    void runAction2() const;

private:
    std::shared_ptr<ListCellViewModel> viewModel_;
    mutable std::mutex actionsMutex_;
    Block customActionProperty_;
    Block action2Property_;
    bool isSelectionEnabled_ = false;
    bool didLayoutSubviewsAtLeastOnce_ = false;
};

}  // namespace kestrune
