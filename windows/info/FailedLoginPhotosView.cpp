#include "windows/info/FailedLoginPhotosView.h"

namespace kestrune {

void FailedLoginPhotosView::backToggled(ui::Control&) {
    select(kBack);
}

void FailedLoginPhotosView::showToggled(ui::Control&) {
    select(kShowAllPhotos);
}

void FailedLoginPhotosView::select(int32_t choice) {
    if (auto delegate = delegate_.lock()) delegate->failedLoginPhotosView_didSelectOption(this, choice);
}

}  // namespace kestrune
