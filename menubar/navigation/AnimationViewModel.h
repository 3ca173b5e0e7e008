#pragma once

#include <cstdint>
#include <memory>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/View.h"

namespace kestrune {

// A swap of the detail pane's page that waits for the running one to end.
struct AnimationViewModel {
    std::shared_ptr<platform::ui::View> view;
    int64_t direction = 0;
    bool hasNavbar = false;
    Block completion;
};

}  // namespace kestrune
