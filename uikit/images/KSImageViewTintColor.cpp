#include "uikit/images/KSImageViewTintColor.h"

#include "uikit/images/ImageTintColor.h"

namespace kestrune {

void KSImageViewTintColor::awakeFromNib() {
    ImageView::awakeFromNib();
    updateImageForTintColor();
}

void KSImageViewTintColor::setImage(std::shared_ptr<ui::Image> image) {
    ImageView::setImage(imageTintedWithColor(image, tintColor_));
}

void KSImageViewTintColor::setTintColor(std::optional<ui::Color> color) {
    tintColor_ = std::move(color);
    updateImageForTintColor();
}

void KSImageViewTintColor::updateImageForTintColor() {
    if (!tintColor_) return;
    ImageView::setImage(imageTintedWithColor(image(), tintColor_));
}

}  // namespace kestrune
