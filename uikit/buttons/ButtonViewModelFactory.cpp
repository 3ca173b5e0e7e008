#include "uikit/buttons/ButtonViewModelFactory.h"

#include "uikit/views/CustomColor.h"

namespace kestrune {

std::shared_ptr<ButtonViewModel> ButtonViewModelFactory::checkButton(const std::shared_ptr<const void>&) {
    auto model = std::make_shared<ButtonViewModel>();
    model->setColor(mockupsBlueButtonColor());
    model->setTextColor(ui::Color::whiteColor());
    model->setIconName("back_arrow");
    model->setTitle("test");
    return model;
}

std::shared_ptr<ButtonViewModel> ButtonViewModelFactory::backButton(const std::shared_ptr<const void>&) {
    return std::make_shared<ButtonViewModel>();
}

}  // namespace kestrune
