#pragma once

#include <memory>

#include "platform/ui/ImageView.h"

namespace kestrune {

namespace ui = platform::ui;

// Shows its image scaled to fill the whole view, centred, the overflow cut off equally on both sides.
class KPCScaleToFillNSImageView : public ui::ImageView {
public:
    static std::shared_ptr<KPCScaleToFillNSImageView> create(ui::Rect frame = {}) {
        return ui::make<KPCScaleToFillNSImageView>(frame);
    }
    void initWithFrame(ui::Rect frame) override;
    void initFromNib(ui::NibArgs& args) override;

    // Whatever is asked, the image stretches to the bounds (the drawing does the cropping).
    void setImageScaling(ui::ImageScaling scaling) override;
    // Installs an image drawn anew each time from the part of `image` that fills the view at its
    // current size.
    void setImage(std::shared_ptr<ui::Image> image) override;

    // The part of an image of size `image` that fills a view of size `view`; empty when either has no
    // area.
    static ui::Rect sourceRectForFill(ui::Size image, ui::Size view);
};

}  // namespace kestrune
