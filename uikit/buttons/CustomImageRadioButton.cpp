#include "uikit/buttons/CustomImageRadioButton.h"

namespace kestrune {

void CustomImageRadioButton::setSelectedImageName_unselectedImageName(const std::string& selected,
                                                                      const std::string& unselected) {
    if (selected == selectedImageName_ && unselected == unselectedImageName_) return;
    selectedImageName_ = selected;
    unselectedImageName_ = unselected;
    updateImagesOnNextRender_ = true;
    updateView();
}

void CustomImageRadioButton::updateView() {
    createImageIfNeeded();
    updateViewForSelectedState();
    updateImagesOnNextRender_ = false;
}

void CustomImageRadioButton::createImageIfNeeded() {
    if (!imageForSelectedState_ || updateImagesOnNextRender_)
        imageForSelectedState_ = ui::Image::imageNamed(selectedImageName_);
    if (!imageForDeselectedState_ || updateImagesOnNextRender_)
        imageForDeselectedState_ = ui::Image::imageNamed(unselectedImageName_);
}

void CustomImageRadioButton::setIsSelected(bool selected) {
    isSelected_ = selected;
    updateViewForSelectedState();
}

void CustomImageRadioButton::updateViewForSelectedState() {
    const auto& shown = isSelected_ ? imageForSelectedState_ : imageForDeselectedState_;
    // Only a different picture asks for drawing: this runs after every drawing.
    if (image() != shown) setImage(shown);
}

void CustomImageRadioButton::drawRect(ui::Rect dirty) {
    Button::drawRect(dirty);
    updateView();
}

}  // namespace kestrune
