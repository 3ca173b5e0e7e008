#include "menubar/photos/PhotosView.h"

#include "app/support/Localizable.h"
#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kPhotosViewLayout;

std::shared_ptr<PhotosView> PhotosView::loadFromNib() {
    auto view = ui::Nib::loadFirst<PhotosView>(kPhotosViewLayout.name, nullptr);
    if (view) view->updateStrings();
    return view;
}

void PhotosView::updateStrings() {
    if (loginPhotosLabel) loginPhotosLabel->setStringValue(localizable("login_photos_short"));
    if (failedLoginAttemptsPhotoLabel)
        failedLoginAttemptsPhotoLabel->setStringValue(localizable("failed_login_photos_short"));
    if (photosViewInfoLabel) photosViewInfoLabel->setStringValue(localizable("lock_unlock_history_short"));
}

}  // namespace kestrune
