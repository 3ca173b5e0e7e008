#include "menubar/photos/MyListViewCell.h"

#include "app/support/NSDateFormatterHelper.h"
#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kMyListViewCellLayout;

std::shared_ptr<MyListViewCell> MyListViewCell::loadFromNib() {
    return PXListViewCell::cellLoadedFromNibNamed_reusableIdentifier<MyListViewCell>(
        kMyListViewCellLayout.name, kReuseIdentifier);
}

void MyListViewCell::setFailedLoginEntry(std::shared_ptr<FailedLoginEntry> entry) {
    failedLoginEntry_ = std::move(entry);
    if (!failedLoginEntry_) return;
    if (titleLabel)
        titleLabel->setStringValue(failedLoginEntry_->date() ? NSDateFormatterHelper::stringToMinutesFromDate(
                                                                   *failedLoginEntry_->date())
                                                             : "");
    if (imageView) imageView->setImage(failedLoginEntry_->mugShotImage());
}

void MyListViewCell::prepareForReuse() {
    KestruneListViewCell::prepareForReuse();
    if (imageView) imageView->setImage(nullptr);
}

void MyListViewCell::deleteToggled(ui::Control&) {
    if (auto d = delegate()) d->myListViewCellDidSelectDelete(*this);
}

void MyListViewCell::shareToggled(ui::Control&) {
    if (auto d = delegate()) d->myListViewCellDidSelectShare(*this);
}

}  // namespace kestrune
