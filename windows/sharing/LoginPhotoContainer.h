#pragma once

#include <memory>

#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/KSWindowController.h"

namespace kestrune {

// The card a photo taken after an unlock is shared on: the photo, how the Mac was unlocked (icon and
// words) and when.
class LoginPhotoContainer : public KSWindowController {
public:
    // "LoginPhotoContainer".
    std::optional<std::string> nibName() const override;
    // The card keeps its own look.
    void setBackgroundImage(const std::shared_ptr<ui::Image>&) override {}

    // Outlets.
    std::shared_ptr<ui::View> view;
    std::shared_ptr<ui::ImageView> bustedImageView;
    std::shared_ptr<ui::ImageView> kestruneIconImage;
    std::shared_ptr<ui::ImageView> kestruneBottomIcon;
    std::shared_ptr<ui::TextField> mugShotTextField;
    std::shared_ptr<ui::TextField> mugShotBottomTextField;
};

}  // namespace kestrune
