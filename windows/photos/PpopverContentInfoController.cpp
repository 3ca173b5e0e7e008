#include "windows/photos/PpopverContentInfoController.h"

#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kPpopverContentInfoControllerLayout;

std::shared_ptr<PpopverContentInfoController> PpopverContentInfoController::create() {
    auto controller = ui::ViewController::createWithNibName<PpopverContentInfoController>(
        kPpopverContentInfoControllerLayout.name);
    controller->view();
    return controller;
}

void PpopverContentInfoController::setPopoverModel(std::shared_ptr<PopoverModel> model) {
    popoverModel_ = std::move(model);
    view();
    if (!popoverModel_) return;
    // A model without a long text (the failed-login photos turned off) has its whole explanation in
    // the short one: shown rather than an empty popover.
    if (label)
        label->setStringValue(popoverModel_->popoverDescriptionLong
                                  ? *popoverModel_->popoverDescriptionLong
                                  : popoverModel_->popoverDescriptionShort.value_or(""));
    const auto style = [](const std::shared_ptr<ui::Button>& button,
                          const std::optional<std::string>& title) {
        if (!button) return;
        button->setTitle(title.value_or(""));
        setImageWithPreservedCorners(*button, ui::Image::imageNamed("popup_button"));
        setTextColor(*button, ui::Color::blackColor());
        // A model without the button's title has no such button.
        button->setHidden(!title);
    };
    style(button1, popoverModel_->button1Title);
    style(button2, popoverModel_->button2Title);
}

void PpopverContentInfoController::leftButtonToggled(ui::Control&) {
    // The model may be replaced by its own action: keep it for the call.
    if (auto model = popoverModel_; model && model->button1Action) model->button1Action(*model);
}

void PpopverContentInfoController::rigthButtonToggled(ui::Control&) {
    if (auto model = popoverModel_; model && model->button2Action) model->button2Action(*model);
}

}  // namespace kestrune
