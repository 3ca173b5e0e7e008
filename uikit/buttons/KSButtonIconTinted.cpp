#include "uikit/buttons/KSButtonIconTinted.h"

#include "uikit/images/ImageTintColor.h"

namespace kestrune {

void KSButtonIconTinted::awakeFromNib() {
    Button::awakeFromNib();
    Button::setImage(imageTintedWithColor(image(), ui::Color::blackColor()));
}

void KSButtonIconTinted::setImage(std::shared_ptr<ui::Image> image) {
    Button::setImage(imageTintedWithColor(image, ui::Color::blackColor()));
}

}  // namespace kestrune
