// The Mac on the left, the phone on the right, the link between them, names under both and the title
// across the top.

#include "menubar/cells/ConnectedDevicesCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kConnectedDevicesCellLayout;
const ui::NibRegistry::Registration kConnectedDevicesCellLayout("ConnectedDevicesCell", [](ui::NibLoader&
                                                                                               nib) {
    auto cell = cells::makeCell<ConnectedDevicesCell>(nib, 200);
    const unsigned centred = ui::kViewMinXMargin | ui::kViewMaxXMargin;
    cell->titleLabel = cells::label(nib, *cell, {20, 164, 360, 22}, "Helvetica", 16, ui::Color::whiteColor());
    cell->titleLabel->setAlignment(ui::TextAlignment::Center);
    cell->icon = cells::imageView(nib, *cell, {70, 60, 96, 62}, centred);
    cell->connectedImage = cells::imageView(nib, *cell, {170, 80, 80, 16}, centred);
    cell->secondaryIcon = cells::imageView(nib, *cell, {262, 57, 36, 68}, centred);
    cell->macName = cells::label(nib, *cell, {40, 30, 156, 18}, "Helvetica Neue", 12, custom1(), centred);
    cell->macName->setAlignment(ui::TextAlignment::Center);
    cell->iPhoneName = cells::label(nib, *cell, {210, 30, 140, 18}, "Helvetica Neue", 12, custom1(), centred);
    cell->iPhoneName->setAlignment(ui::TextAlignment::Center);
});

}  // namespace kestrune
