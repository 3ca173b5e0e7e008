// The explanation above two buttons side by side, on a white card.

#include "windows/photos/PpopverContentInfoController.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/views/BackgroundColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kPpopverContentInfoControllerLayout;
const ui::NibRegistry::Registration kPpopverContentInfoControllerLayout(
    "PpopverContentInfoController", [](ui::NibLoader& nib) {
        auto card = nib.make<ui::View>({0, 0, 300, 130});
        setBackgouroundColor(*card, ui::Color::whiteColor());
        card->layer()->setCornerRadius(8);
        nib.addTopLevel(card);
        auto text =
            cells::label(nib, *card, {16, 56, 268, 62}, "Helvetica Neue", 13, ui::Color::blackColor());
        text->setLineBreakMode(ui::LineBreakMode::WordWrapping);
        const auto button = [&](double x) {
            auto b = nib.make<ui::Button>({x, 14, 124, 30});
            setToDefaultProperties(*b);
            b->setFont(ui::Font::fontWithName_size("Helvetica Neue", 12));
            b->setImagePosition(ui::ImagePosition::ImageOverlaps);
            card->addSubview(b);
            return b;
        };
        auto left = button(16), right = button(160);
        auto owner = nib.owner<PpopverContentInfoController>();
        if (!owner) return;
        owner->label = text;
        owner->button1 = left;
        owner->button2 = right;
        cells::connect<PpopverContentInfoController>(*left, owner,
                                                     &PpopverContentInfoController::leftButtonToggled);
        cells::connect<PpopverContentInfoController>(*right, owner,
                                                     &PpopverContentInfoController::rigthButtonToggled);
        owner->setView(card);
    });

}  // namespace kestrune
