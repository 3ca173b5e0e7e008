#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"
#include "uikit/sliders/CustomSlider.h"

namespace kestrune {

// A slider with a caption and the value's text. The texts follow the knob while it is dragged; the
// value is reported once, when the mouse button is let go.
class SliderCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void distanceSliderDidChange(ui::Control& sender);

    std::shared_ptr<CustomSlider> distanceSlider;
    std::shared_ptr<ui::TextField> sliderTextLabel;
    std::shared_ptr<ui::TextField> valueTextLabel;

private:
    void updateLabelsForValue(int32_t value);
};

}  // namespace kestrune
