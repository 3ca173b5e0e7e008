#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// Hears the manual snapshots information page, whose buttons send nothing: 0 shows the page again for a
// sender that sends it. The sender is the page (may be none); any other number means nothing.
class ManualSnapshotsTutorialViewDelegate {
public:
    virtual ~ManualSnapshotsTutorialViewDelegate() = default;
    virtual void manualSnapshotsTutorialView_didSelectOption(platform::ui::UIObject* view,
                                                             int32_t option) = 0;
};

}  // namespace kestrune
