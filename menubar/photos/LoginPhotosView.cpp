#include "menubar/photos/LoginPhotosView.h"

#include "app/support/Localizable.h"
#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kLoginPhotosViewLayout;

std::optional<std::string> LoginPhotosView::nibName() const {
    return kLoginPhotosViewLayout.name;
}

void LoginPhotosView::updateStrings() {
    const auto set = [](const std::shared_ptr<ui::TextField>& field, const std::string& text) {
        if (field) field->setStringValue(text);
    };
    set(titleLabel, localizable("login_photos_short"));
    set(descriptionLabel,
        localizable("login_photos_description_1") + " " + localizable("login_photos_description_2"));
    set(description2Label, localizable("mac_control_share_photo"));
    set(description3Label, localizable("mac_control_save_photo_to_documents"));
    set(description4Label, localizable("mac_control_delete_photo"));
    set(description5Label, localizable("mac_control_delete_all_photos"));
    set(footNoteLabel, "");
    if (showButton) setKestruneEnabledButtonWithText(*showButton, localizable("show_all_photos"));
}

void LoginPhotosView::backToggled(ui::Control&) {
    if (auto d = delegate()) d->loginPhotosView_didSelectOption(this, 0);
}

void LoginPhotosView::showToggled(ui::Control&) {
    if (auto d = delegate()) d->loginPhotosView_didSelectOption(this, 1);
}

}  // namespace kestrune
