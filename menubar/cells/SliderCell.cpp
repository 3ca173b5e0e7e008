#include "menubar/cells/SliderCell.h"

#include "menubar/lists/SliderCellVM.h"
#include "platform/ui/Application.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSliderCellLayout;

namespace {
// A plain view model in a slider row reads as a slider view model with nothing set.
std::shared_ptr<SliderCellVM> sliderModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    if (auto typed = std::dynamic_pointer_cast<SliderCellVM>(viewModel)) return typed;
    return SliderCellVM::init();
}
}  // namespace

const KestruneListViewCellProtocol& SliderCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kSliderCellLayout.name, 50, {}};
    return cellClass;
}

void SliderCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (!viewModel) return;
    auto model = sliderModel(viewModel);
    if (distanceSlider) {
        distanceSlider->setMaxValue(model->maxValue());
        distanceSlider->setMinValue(model->minValue());
        distanceSlider->setDoubleValue(model->currentValue());
    }
    updateLabelsForValue(model->currentValue());
}

void SliderCell::updateLabelsForValue(int32_t value) {
    auto model = sliderModel(viewModel());
    if (valueTextLabel)
        valueTextLabel->setStringValue(model->textValueFunc() ? model->textValueFunc()(value) : "");
    if (sliderTextLabel) sliderTextLabel->setStringValue(model->additionalText().value_or(""));
}

void SliderCell::distanceSliderDidChange(ui::Control& sender) {
    const auto value = static_cast<int32_t>(sender.doubleValue());
    updateLabelsForValue(value);
    const ui::Event* event = ui::Application::shared().currentEvent();
    if (!event || event->type != ui::EventType::LeftMouseUp) return;
    auto model = std::dynamic_pointer_cast<SliderCellVM>(viewModel());
    if (model && model->didUpdate()) {
        const auto report = model->didUpdate();
        report(value);
    }
}

}  // namespace kestrune
