#include "menubar/cells/TextCells.h"

#include "platform/base/UnicodeClasses.h"

namespace kestrune::cells {

void fillReadMore(const ListCellViewModel& viewModel, ui::TextField* readMore, ui::Button* button) {
    const bool shown = viewModel.additionalText() && viewModel.secondaryActionHandler();
    if (readMore)
        readMore->setStringValue(shown ? platform::uppercaseString(*viewModel.additionalText()) : "");
    if (button) button->setHidden(!shown);
}

void centreLabels(ui::TextField* title, ui::TextField* description) {
    if (title) title->setAlignment(ui::TextAlignment::Center);
    if (description) description->setAlignment(ui::TextAlignment::Center);
}

void runPrimary(std::shared_ptr<ListCellViewModel> viewModel) {
    if (!viewModel) return;
    if (auto action = viewModel->primaryActionHandler()) action();
}

void runSecondary(std::shared_ptr<ListCellViewModel> viewModel) {
    if (!viewModel) return;
    if (auto action = viewModel->secondaryActionHandler()) action();
}

void runTertiary(std::shared_ptr<ListCellViewModel> viewModel) {
    if (!viewModel) return;
    if (auto action = viewModel->tertiaryActionHandler()) action();
}

}  // namespace kestrune::cells
