#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The photos part of a settings page: three short labels with their buttons, an information button and
// a check box.
class PhotosView : public ui::View {
public:
    // Loaded from its layout; none when the layout is missing.
    static std::shared_ptr<PhotosView> loadFromNib();
    void updateStrings();

    // Outlets.
    std::shared_ptr<ui::TextField> loginPhotosLabel;
    std::shared_ptr<ui::TextField> failedLoginAttemptsPhotoLabel;
    std::shared_ptr<ui::TextField> photosViewInfoLabel;
    std::shared_ptr<ui::Button> infoButton;
    std::shared_ptr<ui::Button> failedLoginAttemptsPhotoButton;
    std::shared_ptr<ui::Button> loginPhotosButton;
    std::shared_ptr<ui::Button> photosViewInfoButton;
    std::shared_ptr<ui::Button> checkBox;
    std::shared_ptr<ui::View> clipboardSeparator;
};

}  // namespace kestrune
