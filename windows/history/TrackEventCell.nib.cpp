// The background picture over the whole row, the icon at the left, the title above the time, and the
// photo mark at the right.

#include "windows/history/TrackEventCell.h"
#include "menubar/cells/CellLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTrackEventCellLayout;
const ui::NibRegistry::Registration kTrackEventCellLayout("TrackEventCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<TrackEventCell>(nib, TrackEventCell::kRowHeight);
    cells::shadowBackground(nib, *cell);
    cell->icon = cells::imageView(nib, *cell, {14, 14, 26, 26});
    // Four points more than a line, around the same middle: room for marks stacked over Arabic letters.
    cell->titleLabel =
        cells::label(nib, *cell, {52, 25, 280, 22}, "Helvetica Neue", 13, ui::Color::blackColor());
    cell->dateText =
        cells::label(nib, *cell, {52, 9, 280, 16}, "Helvetica Neue", 11, ui::Color::blackColor());
    cell->secondaryIcon = cells::imageView(nib, *cell, {352, 12, 32, 32}, ui::kViewMinXMargin);
});

}  // namespace kestrune
