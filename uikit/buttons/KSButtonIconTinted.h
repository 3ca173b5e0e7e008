#pragma once

#include <memory>

#include "platform/ui/Button.h"

namespace kestrune {

namespace ui = platform::ui;

// A button whose picture is always painted black.
class KSButtonIconTinted : public ui::Button {
public:
    static std::shared_ptr<KSButtonIconTinted> create(ui::Rect frame = {}) {
        return ui::make<KSButtonIconTinted>(frame);
    }
    void awakeFromNib() override;
    void setImage(std::shared_ptr<ui::Image> image) override;
};

}  // namespace kestrune
