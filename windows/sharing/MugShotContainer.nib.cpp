// A dark card: the product's mark and name along the top, the photo on the line-up wall, and a white
// placard below it for the date and the Mac's name; the two lines are tilted about their left ends, so
// they start low and leave room above them.

#include "windows/sharing/MugShotContainer.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"
#include "windows/sharing/CardLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kMugShotContainerLayout;
const ui::NibRegistry::Registration kMugShotContainerLayout("MugShotContainer", [](ui::NibLoader& nib) {
    auto window = cards::cardWindow(nib, {360, 440});
    auto card = nib.make<ui::View>({0, 0, 360, 440});
    setBackgouroundColor(*card, colorWithHexColorString("1E1F22"));
    card->layer()->setCornerRadius(14);
    window->setContentView(card);

    auto wall = cards::cardImage(nib, *card, {20, 150, 320, 232}, "mugshot_lineup");
    wall->setImageScaling(ui::ImageScaling::AxesIndependently);
    auto photo = cards::cardImage(nib, *card, {80, 166, 200, 200});
    auto logo = cards::cardImage(nib, *card, {20, 394, 30, 30}, "kestrune_logo");
    auto name = cards::cardLabel(nib, *card, {56, 396, 200, 26}, "Helvetica", 18, ui::Color::whiteColor());
    name->setAlignment(ui::TextAlignment::Left);
    name->setStringValue("Kestrune");

    auto placard = nib.make<ui::View>({50, 12, 260, 126});
    setBackgouroundColor(*placard, ui::Color::whiteColor());
    placard->layer()->setCornerRadius(4);
    card->addSubview(placard);
    auto date =
        cards::cardLabel(nib, *placard, {22, 32, 200, 26}, "Courier New", 19, ui::Color::blackColor());
    auto mac = cards::cardLabel(nib, *placard, {40, 10, 190, 22}, "Courier New", 15, redTextColor());

    if (auto owner = nib.owner<MugShotContainer>()) {
        owner->setWindow(window);
        owner->view = card;
        owner->bustedImageView = wall;
        owner->kestruneIconImage = logo;
        owner->mugShotImageView = photo;
        owner->mugShotTextField = date;
        owner->mugShotBottomTextField = mac;
    }
});

}  // namespace kestrune
