#include "windows/history/TrackEventCell.h"

#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTrackEventCellLayout;

std::shared_ptr<TrackEventCell> TrackEventCell::loadFromNib() {
    return PXListViewCell::cellLoadedFromNibNamed_reusableIdentifier<TrackEventCell>(
        kTrackEventCellLayout.name, kReuseIdentifier);
}

void TrackEventCell::drawRect(ui::Rect dirty) {
    PXListViewCell::drawRect(dirty);
    updateSelectionColor();
}

}  // namespace kestrune
