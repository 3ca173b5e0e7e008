#include "menubar/cells/CollapseCell.h"

#include "app/support/Localizable.h"
#include "menubar/cells/CellLayout.h"
#include "menubar/cells/TextCells.h"
#include "menubar/lists/CollapseCellVM.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/CustomColor.h"
#include "uikit/views/ViewAdditions.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kCollapseCellLayout;

const KestruneListViewCellProtocol& CollapseCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kCollapseCellLayout.name, 100,
                                                        &CollapseCell::cellHeightForViewModel};
    return cellClass;
}

double CollapseCell::cellHeightForViewModel(const ListCellViewModel& viewModel) {
    return viewModel.isCollapsed() ? 45 : 85;
}

std::shared_ptr<CollapseCellVM> CollapseCell::castViewModel() const {
    if (auto typed = std::dynamic_pointer_cast<CollapseCellVM>(viewModel())) return typed;
    return CollapseCellVM::init();
}

void CollapseCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (!viewModel) return;
    setClipsToBounds(*this, true);
    if (button1) {
        if (viewModel->additionalText()) button1->setTitle(*viewModel->additionalText());
        button1->setHidden(!viewModel->additionalText());
    }
    if (customBackgroundView) {
        switch (castViewModel()->collapseCell()) {
            case 0:
                setBackgouroundColor(*customBackgroundView, kestruneGreen());
                break;
            case 1:
                setBackgouroundColor(*customBackgroundView, warningYellow());
                break;
            case 2:
                setBackgouroundColor(*customBackgroundView, redErrorBackgroundColor());
                break;
            default:
                break;  // the layout's own colour stays
        }
    }
    if (bottomSeparator) setBackgouroundColor(*bottomSeparator, separatorColorLight());
    if (titleLabel) titleLabel->setTextColor(ui::Color::whiteColor());
    if (descriptionLabel) {
        descriptionLabel->setTextColor(ui::Color::whiteColor());
        // It starts inside the folded row's height (the layout says why): folded, it does not show.
        descriptionLabel->setHidden(viewModel->isCollapsed());
    }
    if (button2) button2->setTitle(localizable(viewModel->isCollapsed() ? "show_more" : "show_less"));
    if (closeButton) closeButton->setHidden(!viewModel->tertiaryActionHandler());
}

void CollapseCell::awakeFromNib() {
    KestruneListViewCell::awakeFromNib();
    if (customBackgroundView && customBackgroundView->layer())
        layoutBackgroundColor_ = customBackgroundView->layer()->backgroundColor();
    if (button1) layoutActionTitle_ = button1->title();
}

void CollapseCell::prepareForReuse() {
    KestruneListViewCell::prepareForReuse();
    // Only the known styles colour the background; any other keeps what is there, which must be the
    // layout's colour and not the last row's.
    if (customBackgroundView && layoutBackgroundColor_)
        setBackgouroundColor(*customBackgroundView, *layoutBackgroundColor_);
    // The action's title is set only for rows that have one.
    if (button1) button1->setTitle(layoutActionTitle_);
}

void CollapseCell::toggleCollapseExpand(ui::Control&) {
    auto vm = viewModel();
    if (!vm) return;
    vm->setIsCollapsed(!vm->isCollapsed());
    // The page rebuilds or reloads its list, which asks the row's height again.
    cells::runSecondary(vm);
}

void CollapseCell::buttonToggled(ui::Control&) {
    cells::runPrimary(viewModel());
}

void CollapseCell::toggleClose(ui::Control&) {
    cells::runTertiary(viewModel());
}

}  // namespace kestrune
