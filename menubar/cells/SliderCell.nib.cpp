// The caption above the slider on the left, the value's text on the right.

#include "menubar/cells/SliderCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/sliders/MyCustomSlider.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSliderCellLayout;
const ui::NibRegistry::Registration kSliderCellLayout("SliderCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<SliderCell>(nib, 50);
    cell->sliderTextLabel =
        cells::label(nib, *cell, {20, 28, 260, 16}, "Helvetica Neue", 11, customLightGray());
    cell->valueTextLabel = cells::label(nib, *cell, {290, 8, 90, 20}, "Helvetica", 14,
                                        ui::Color::blackColor(), ui::kViewMinXMargin);
    cell->valueTextLabel->setAlignment(ui::TextAlignment::Right);
    cell->distanceSlider = nib.make<CustomSlider>({20, 6, 260, 22});
    cell->distanceSlider->setCell(std::make_shared<MyCustomSlider>());
    cell->distanceSlider->setContinuous(true);
    cell->distanceSlider->setAutoresizingMask(ui::kViewWidthSizable);
    cell->addSubview(cell->distanceSlider);
    cells::connect(*cell->distanceSlider, cell, &SliderCell::distanceSliderDidChange);
});

}  // namespace kestrune
