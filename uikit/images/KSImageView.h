#pragma once

#include <memory>

#include "platform/ui/ImageView.h"

namespace kestrune {

namespace ui = platform::ui;

// Shows its image painted black.
class KSImageView : public ui::ImageView {
public:
    static std::shared_ptr<KSImageView> create(ui::Rect frame = {}) { return ui::make<KSImageView>(frame); }
    void awakeFromNib() override;
    void setImage(std::shared_ptr<ui::Image> image) override;
};

}  // namespace kestrune
