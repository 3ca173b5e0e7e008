#include "uikit/images/KSImageView.h"

#include "uikit/images/ImageTintColor.h"

namespace kestrune {

void KSImageView::awakeFromNib() {
    ImageView::awakeFromNib();
    ImageView::setImage(imageTintedWithColor(image(), ui::Color::blackColor()));
}

void KSImageView::setImage(std::shared_ptr<ui::Image> image) {
    ImageView::setImage(imageTintedWithColor(image, ui::Color::blackColor()));
}

}  // namespace kestrune
