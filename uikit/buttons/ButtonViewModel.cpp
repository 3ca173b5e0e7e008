#include "uikit/buttons/ButtonViewModel.h"

namespace kestrune {

std::shared_ptr<ButtonViewModel> ButtonViewModel::initWithTitle_action(std::string title, Block action) {
    auto model = std::make_shared<ButtonViewModel>();
    model->title_ = std::move(title);
    model->action_ = std::move(action);
    return model;
}

void ButtonViewModel::executeAction() const {
    if (action_) action_();
}

}  // namespace kestrune
