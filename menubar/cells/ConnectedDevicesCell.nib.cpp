// The Mac on the left, the phone on the right, the link between them with the phone's distance over it,
// and the two names under the pictures, all on a dark card in the middle of the row: the distance is
// white and the names pale grey, colours for a dark ground (the settings page itself is white). The card
// has the menu-bar panel's ground, darker than the pictures' grey bodies.

#include "menubar/cells/ConnectedDevicesCell.h"
#include "menubar/cells/CellLayout.h"
#include "menubar/panel/PanelBackgrounds.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kConnectedDevicesCellLayout;
const ui::NibRegistry::Registration kConnectedDevicesCellLayout("ConnectedDevicesCell", [](ui::NibLoader&
                                                                                               nib) {
    auto cell = cells::makeCell<ConnectedDevicesCell>(nib, 200);
    const unsigned centred = ui::kViewMinXMargin | ui::kViewMaxXMargin;
    // The card keeps its width and stays in the middle of the row at any width.
    auto card = nib.make<ui::View>({30, 24, 340, 152});
    card->setAutoresizingMask(centred);
    card->setWantsLayer(true);
    card->layer()->setBackgroundColor(ui::Color::colorWithCalibratedRed_green_blue_alpha(
        PanelColors::kRed, PanelColors::kGreen, PanelColors::kBlue, PanelColors::kAlpha));
    card->layer()->setCornerRadius(12);
    cell->addSubview(card);
    cell->icon = cells::imageView(nib, *cell, {86, 84, 96, 62}, centred);
    cell->connectedImage = cells::imageView(nib, *cell, {190, 106, 80, 16}, centred);
    cell->secondaryIcon = cells::imageView(nib, *cell, {278, 81, 36, 68}, centred);
    cell->titleLabel =
        cells::label(nib, *cell, {182, 126, 96, 22}, "Helvetica", 16, ui::Color::whiteColor(), centred);
    cell->titleLabel->setAlignment(ui::TextAlignment::Center);
    cell->macName = cells::label(nib, *cell, {56, 48, 156, 18}, "Helvetica Neue", 12, custom1(), centred);
    cell->macName->setAlignment(ui::TextAlignment::Center);
    cell->iPhoneName = cells::label(nib, *cell, {226, 48, 140, 18}, "Helvetica Neue", 12, custom1(), centred);
    cell->iPhoneName->setAlignment(ui::TextAlignment::Center);
    // Names the user gave their devices, of any length: one line each under its picture, shortened with
    // "…" where it is longer than its picture is wide.
    cell->macName->setUsesSingleLineMode(true);
    cell->iPhoneName->setUsesSingleLineMode(true);
});

}  // namespace kestrune
