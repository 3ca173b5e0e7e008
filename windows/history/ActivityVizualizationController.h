#pragma once

#include <memory>

#include "app/shell/ThreadHelpers.h"
#include "features/history/ActivityViewModelFactory.h"
#include "platform/ui/ScrollView.h"
#include "uikit/bases/KSWindowController.h"
#include "uikit/grid/CNGridView.h"
#include "uikit/grid/CNGridViewItemLayout.h"

namespace kestrune {

// The activity chart: one column per day from the first to the last day with sessions, each showing
// when the Mac was unlocked. The days are built on a background queue from copies of the history and
// handed to the window on the main thread.
class ActivityVizualizationController : public KSWindowController,
                                        public CNGridViewDataSource,
                                        public CNGridViewDelegate {
public:
    static constexpr double kItemWidth = 40;
    static constexpr double kItemHeight = 416;

    // "ActivityVizualizationController".
    std::optional<std::string> nibName() const override;
    void windowDidLoad() override;
    // The days, then the grid: hidden without days, else set up and reloaded.
    void reloadDatasourceAndView(Block completion = nullptr);
    void reloadDatsourceWithCompletion(Block completion);
    void hideGrid(bool hide);
    void loadLayouts();
    void setupGridView();

    int64_t gridView_numberOfItemsInSection(CNGridView& grid, int64_t section) override;
    std::shared_ptr<CNGridViewItemBase> gridView_itemAtIndex_inSection(CNGridView& grid, int64_t index,
                                                                       int64_t section) override;

    const ActivityViewModelFactory::DayTable& listOfDayViewModels() const { return listOfDayViewModels_; }
    const std::shared_ptr<CNGridViewItemLayout>& defaultLayout() const { return defaultLayout_; }
    const std::shared_ptr<CNGridViewItemLayout>& hoverLayout() const { return hoverLayout_; }
    const std::shared_ptr<CNGridViewItemLayout>& selectionLayout() const { return selectionLayout_; }

    // Outlets.
    std::shared_ptr<CNGridView> gridView;
    std::shared_ptr<ui::ScrollView> gridScrollView;

private:
    ActivityViewModelFactory::DayTable listOfDayViewModels_;
    std::shared_ptr<CNGridViewItemLayout> defaultLayout_;
    std::shared_ptr<CNGridViewItemLayout> hoverLayout_;
    std::shared_ptr<CNGridViewItemLayout> selectionLayout_;
};

}  // namespace kestrune
