#include "windows/history/ActivityVizualizationController.h"

#include <iterator>

#include "app/records/FailedLoginEntry.h"
#include "features/history/LoginTrackerFactory.h"
#include "platform/ui/Nib.h"
#include "windows/history/CNCustomActivityDayViewItem.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kActivityVizualizationControllerLayout;

std::optional<std::string> ActivityVizualizationController::nibName() const {
    return kActivityVizualizationControllerLayout.name;
}

void ActivityVizualizationController::windowDidLoad() {
    KSWindowController::windowDidLoad();
    reloadDatasourceAndView();
}

void ActivityVizualizationController::reloadDatsourceWithCompletion(Block completion) {
    // Copies of the history, taken on the main thread; the failed logins play no part in sessions.
    auto history = LoginTrackerFactory().copyOfLoginLogoutEntries();
    std::weak_ptr<ActivityVizualizationController> weak = sharedAs<ActivityVizualizationController>();
    runInBackgroundAsync([weak, history = std::move(history), completion = std::move(completion)] {
        const auto sessions = LoginLogoutFilter::generateDatasourceFromEntries_failedLoginEntried_filterModel(
            history, {}, *LoginLogoutFilterModel::sessionDurationFilter());
        auto days = ActivityViewModelFactory::dayModelsForList(sessions);
        // The days are the window's once on the main thread, where the grid reads them.
        runOnMainQueueAsync([weak, days = std::move(days), completion] {
            auto self = weak.lock();
            if (!self) return;
            self->listOfDayViewModels_ = days;
            if (completion) completion();
        });
    });
}

void ActivityVizualizationController::reloadDatasourceAndView(Block completion) {
    std::weak_ptr<ActivityVizualizationController> weak = sharedAs<ActivityVizualizationController>();
    reloadDatsourceWithCompletion([weak, completion] {
        auto self = weak.lock();
        if (!self) return;
        if (self->listOfDayViewModels_.empty()) {
            self->hideGrid(true);
        } else {
            self->hideGrid(false);
            self->loadLayouts();
            self->setupGridView();
            if (self->gridView) self->gridView->reloadData();
        }
        if (completion) completion();
    });
}

void ActivityVizualizationController::hideGrid(bool hide) {
    if (!gridView) return;
    gridView->setHidden(hide);
    if (gridScrollView) gridScrollView->setHidden(hide);
    gridView->setTransparentBackground();
}

void ActivityVizualizationController::loadLayouts() {
    defaultLayout_ = CNGridViewItemLayout::defaultLayout();
    defaultLayout_->backgroundColor = ui::Color::clearColor();
    hoverLayout_ = CNGridViewItemLayout::defaultLayout();
    hoverLayout_->backgroundColor = ui::Color::grayColor().colorWithAlphaComponent(0.42);
    selectionLayout_ = CNGridViewItemLayout::defaultLayout();
    selectionLayout_->backgroundColor = ui::Color::blueColor();
}

void ActivityVizualizationController::setupGridView() {
    if (!gridView) return;
    gridView->setAllowsMultipleSelection(false);
    gridView->setAllowsMultipleSelectionWithDrag(false);
    gridView->setItemSize({kItemWidth, kItemHeight});
    gridView->setBackgroundColor(ui::Color::clearColor());
    gridView->setScrollElasticity(false);
    gridView->setDataSource(sharedAs<ActivityVizualizationController>());
    gridView->setDelegate(sharedAs<ActivityVizualizationController>());
}

int64_t ActivityVizualizationController::gridView_numberOfItemsInSection(CNGridView&, int64_t) {
    return static_cast<int64_t>(listOfDayViewModels_.size());
}

std::shared_ptr<CNGridViewItemBase> ActivityVizualizationController::gridView_itemAtIndex_inSection(
    CNGridView& grid, int64_t index, int64_t) {
    if (index < 0 || index >= static_cast<int64_t>(listOfDayViewModels_.size())) return nullptr;
    auto item = std::dynamic_pointer_cast<CNCustomActivityDayViewItem>(
        grid.dequeueReusableItemWithIdentifier(CNGridViewItemBase::kDefaultReuseIdentifier));
    if (!item)
        item = CNGridViewItem::initWithLayout_reuseIdentifier<CNCustomActivityDayViewItem>(
            defaultLayout_ ? defaultLayout_ : CNGridViewItemLayout::defaultLayout(),
            CNGridViewItemBase::kDefaultReuseIdentifier);
    item->setHoverLayout(hoverLayout_);
    item->setSelectionLayout(selectionLayout_);
    // The days in the table's order: oldest first.
    item->setDayViewModel(std::next(listOfDayViewModels_.begin(), index)->second);
    return item;
}

}  // namespace kestrune
