#pragma once

#include <cstdint>

#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The panel's root view. It draws nothing itself (the background picture is the image view's); it keeps
// where the arrow under the status item stands, in panel coordinates.
class BackgroundView : public ui::View {
public:
    int64_t arrowX() const { return arrowX_; }
    void setArrowX(int64_t x);

private:
    int64_t arrowX_ = 0;
};

}  // namespace kestrune
