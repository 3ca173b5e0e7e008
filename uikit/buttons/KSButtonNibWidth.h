#pragma once

#include <memory>

#include "uikit/buttons/KSButton3.h"

namespace kestrune {

// A flat button that keeps the width its layout gave it, whatever its title.
class KSButtonNibWidth : public KSButton3 {
public:
    static std::shared_ptr<KSButtonNibWidth> create(ui::Rect frame = {}) {
        return ui::make<KSButtonNibWidth>(frame);
    }
    void drawRect(ui::Rect dirty) override;
};

}  // namespace kestrune
