#pragma once

#include <memory>
#include <optional>

#include "platform/ui/ImageView.h"

namespace kestrune {

namespace ui = platform::ui;

// Shows its image painted in its tint colour, or as it is while there is no tint.
class KSImageViewTintColor : public ui::ImageView {
public:
    static std::shared_ptr<KSImageViewTintColor> create(ui::Rect frame = {}) {
        return ui::make<KSImageViewTintColor>(frame);
    }
    void awakeFromNib() override;
    void setImage(std::shared_ptr<ui::Image> image) override;

    const std::optional<ui::Color>& tintColor() const { return tintColor_; }
    void setTintColor(std::optional<ui::Color> color);
    // Paints the current image in the tint; nothing without one.
    void updateImageForTintColor();

private:
    std::optional<ui::Color> tintColor_;
};

}  // namespace kestrune
