#include "windows/sharing/LoginPhotoContainer.h"

#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kLoginPhotoContainerLayout;

std::optional<std::string> LoginPhotoContainer::nibName() const {
    return kLoginPhotoContainerLayout.name;
}

}  // namespace kestrune
