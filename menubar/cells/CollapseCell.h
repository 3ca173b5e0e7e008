#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Button.h"
#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

class CollapseCellVM;

// A coloured notice that folds to its title line and unfolds to its description and action, with a
// close button when the view model can be dismissed.
class CollapseCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    // 45 points folded, 85 unfolded.
    static double cellHeightForViewModel(const ListCellViewModel& viewModel);
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    // Keeps what the layout gave the parts that an update sets only for some rows.
    void awakeFromNib() override;
    // Gives those parts back their layout's look, so that a row drawn next in this cell shows nothing of
    // the one before: a grey warning must not come out in the green of the row the cell showed last.
    void prepareForReuse() override;
    // The view model as the collapsible kind; a plain one reads as that kind with nothing set.
    std::shared_ptr<CollapseCellVM> castViewModel() const;

    void toggleCollapseExpand(ui::Control& sender);
    void buttonToggled(ui::Control& sender);
    void toggleClose(ui::Control& sender);

    std::shared_ptr<ui::View> customBackgroundView;
    std::shared_ptr<ui::View> customIcon;
    std::shared_ptr<ui::View> bottomSeparator;
    std::shared_ptr<ui::Button> closeButton;

private:
    std::optional<ui::Color> layoutBackgroundColor_;
    std::string layoutActionTitle_;
};

}  // namespace kestrune
