#include "uikit/images/KPCScaleToFillNSImageView.h"

namespace kestrune {

void KPCScaleToFillNSImageView::initWithFrame(ui::Rect frame) {
    ImageView::initWithFrame(frame);
    ImageView::setImageScaling(ui::ImageScaling::AxesIndependently);
}

void KPCScaleToFillNSImageView::initFromNib(ui::NibArgs& args) {
    ImageView::initFromNib(args);
    ImageView::setImageScaling(ui::ImageScaling::AxesIndependently);
}

void KPCScaleToFillNSImageView::setImageScaling(ui::ImageScaling) {
    ImageView::setImageScaling(ui::ImageScaling::AxesIndependently);
}

ui::Rect KPCScaleToFillNSImageView::sourceRectForFill(ui::Size image, ui::Size view) {
    const double iw = image.width, ih = image.height, vw = view.width, vh = view.height;
    // Nothing to take from, or nothing to fill: no part at all (rather than a division by zero).
    if (!(iw > 0 && ih > 0 && vw > 0 && vh > 0)) return {};
    ui::Size part = vh / vw > ih / iw ? ui::Size{ih * vw / vh, ih} : ui::Size{iw, iw * vh / vw};
    return {(iw - part.width) / 2, (ih - part.height) / 2, part.width, part.height};
}

void KPCScaleToFillNSImageView::setImage(std::shared_ptr<ui::Image> image) {
    if (!image) return ImageView::setImage(nullptr);
    std::weak_ptr<KPCScaleToFillNSImageView> weakSelf = sharedAs<KPCScaleToFillNSImageView>();
    ImageView::setImage(ui::Image::imageWithSize_flipped_drawingHandler(
        bounds().size, false, [weakSelf, image](ui::Rect destination) {
            auto self = weakSelf.lock();
            if (!self) return false;
            const ui::Rect source = sourceRectForFill(image->size(), self->bounds().size);
            if (source.isEmpty()) return false;
            image->drawInRect_fromRect_operation_fraction(destination, source, ui::CompositingOperation::Copy,
                                                          1);
            return true;
        }));
}

}  // namespace kestrune
