#pragma once

#include <memory>

#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/KSWindowController.h"

namespace kestrune {

// The card a failed-login photo is shared on: the photo against a line-up wall, with the date and the
// Mac's name on a tilted placard.
class MugShotContainer : public KSWindowController {
public:
    // "MugShotContainer".
    std::optional<std::string> nibName() const override;
    // The card keeps its own look.
    void setBackgroundImage(const std::shared_ptr<ui::Image>&) override {}

    // Outlets.
    std::shared_ptr<ui::View> view;
    std::shared_ptr<ui::ImageView> bustedImageView;
    std::shared_ptr<ui::ImageView> kestruneIconImage;
    std::shared_ptr<ui::ImageView> mugShotImageView;
    std::shared_ptr<ui::TextField> mugShotTextField;
    std::shared_ptr<ui::TextField> mugShotBottomTextField;
};

}  // namespace kestrune
