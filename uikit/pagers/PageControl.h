#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/ImageView.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The row of page dots under a wizard: one dot per page, `distanceBetweenDots` apart, and a marker that
// moves to the current dot, which then hides so that the marker shows in its place.
class PageControl : public ui::View {
public:
    static std::shared_ptr<PageControl> create(ui::Rect frame = {}) { return ui::make<PageControl>(frame); }

    void initWithFrame(ui::Rect frame) override;
    void initFromNib(ui::NibArgs& args) override;

    // The marker ("wizzard_page_indicator_empty") and the dot ("wizzard_page_indicator_full"), drawn by
    // code; a picture already known by either name is kept.
    static void registerDotPictures();

    void setNumberOfDots(int32_t count);
    // The marker moves to the dot through its animator, whatever the flag says.
    void setDotActiveAtIndex_animated(int32_t index, bool animated);
    // None when the index is not below the number of dots.
    std::shared_ptr<ui::ImageView> pageIndicatorForIndex(int32_t index) const;
    std::shared_ptr<ui::ImageView> createPageIndicatorAtIndex(int32_t index);
    void removeAllDots();

    int32_t numberOfDots() const { return numberOfDots_; }
    int32_t indexSelected() const { return indexSelected_; }
    int32_t distanceBetweenDots() const { return distanceBetweenDots_; }
    void setDistanceBetweenDots(int32_t distance) { distanceBetweenDots_ = distance; }
    const std::shared_ptr<ui::ImageView>& activePageIndicator() const { return activePageIndicator_; }
    const std::vector<std::shared_ptr<ui::ImageView>>& pageIndicatorArray() const {
        return pageIndicatorArray_;
    }

private:
    void initialize();
    void updateView();

    int32_t numberOfDots_ = 0;
    int32_t indexSelected_ = 0;
    int32_t distanceBetweenDots_ = 20;
    std::shared_ptr<ui::ImageView> activePageIndicator_;
    std::vector<std::shared_ptr<ui::ImageView>> pageIndicatorArray_;
};

}  // namespace kestrune
