#include "windows/sharing/MugShotContainer.h"

#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kMugShotContainerLayout;

std::optional<std::string> MugShotContainer::nibName() const {
    return kMugShotContainerLayout.name;
}

}  // namespace kestrune
