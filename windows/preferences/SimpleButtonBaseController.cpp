#include "windows/preferences/SimpleButtonBaseController.h"

#include "uikit/text/TextFieldAdditions.h"

namespace kestrune {

void SimpleButtonBaseController::viewDidLoad() {
    BaseViewController::viewDidLoad();
    updateView();
}

void SimpleButtonBaseController::updateView() {
    if (label) setStringValueOrEmptyString(*label, labelText);
    if (descriptionLabel) setStringValueOrEmptyString(*descriptionLabel, descriptionLabelText);
    if (imageView) imageView->setImage(imageName ? ui::Image::imageNamed(*imageName) : nullptr);
    if (button && buttonTitle) button->setTitle(*buttonTitle);
}

void SimpleButtonBaseController::buttonToggled(ui::Control&) {
    if (action) action();
}

}  // namespace kestrune
