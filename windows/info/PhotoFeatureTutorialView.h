#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// The layout and texts the failed-login photos page and the manual snapshots page share: a title, a
// description, five things the photo window does (an icon and a text each), a show button and a foot
// note.
class PhotoFeatureTutorialView : public BaseViewController {
public:
    void updateStrings() override;

    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> descriptionLabel;
    std::shared_ptr<ui::ImageView> firstIcon, secondIcon, thirdIcon, fourthIcon, fifthIcon;
    std::shared_ptr<ui::TextField> firstDescriptionLabel, secondDescriptionLabel, thirdDescriptionLabel,
        fourthDescriptionLabel, fifthDescriptionLabel;
    std::shared_ptr<ui::Button> showButton;
    std::shared_ptr<ui::TextField> footNoteLabel;
};

}  // namespace kestrune
