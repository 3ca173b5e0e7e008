#pragma once

// What the title and description cells share.

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/lists/ListCellViewModel.h"

namespace kestrune::cells {

namespace ui = platform::ui;

// The read-more text (upper case) and its button show only for a view model with both a read-more
// text and a secondary action; otherwise the text is emptied and the button hidden.
void fillReadMore(const ListCellViewModel& viewModel, ui::TextField* readMore, ui::Button* button);
// Centres both labels' texts.
void centreLabels(ui::TextField* title, ui::TextField* description);
// Run one of the view model's actions, when it has it. The view model is kept while its action runs,
// which may well reload the list and reuse the cell.
void runPrimary(std::shared_ptr<ListCellViewModel> viewModel);
void runSecondary(std::shared_ptr<ListCellViewModel> viewModel);
void runTertiary(std::shared_ptr<ListCellViewModel> viewModel);

}  // namespace kestrune::cells
