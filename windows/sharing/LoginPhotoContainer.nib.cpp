// A white card: the product's mark and name along the top, the photo, then how the Mac was unlocked
// (its icon and words) and when.

#include "windows/sharing/LoginPhotoContainer.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/CustomColor.h"
#include "windows/sharing/CardLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kLoginPhotoContainerLayout;
const ui::NibRegistry::Registration kLoginPhotoContainerLayout("LoginPhotoContainer", [](ui::NibLoader& nib) {
    auto window = cards::cardWindow(nib, {360, 440});
    auto card = nib.make<ui::View>({0, 0, 360, 440});
    setBackgouroundColor(*card, ui::Color::whiteColor());
    card->layer()->setCornerRadius(14);
    window->setContentView(card);

    auto logo = cards::cardImage(nib, *card, {20, 394, 30, 30}, "kestrune_logo");
    auto name = cards::cardLabel(nib, *card, {56, 396, 200, 26}, "Helvetica", 18, customLightGray());
    name->setAlignment(ui::TextAlignment::Left);
    name->setStringValue("Kestrune");
    auto photo = cards::cardImage(nib, *card, {40, 104, 280, 280});
    auto icon = cards::cardImage(nib, *card, {40, 56, 28, 28});
    auto description =
        cards::cardLabel(nib, *card, {76, 57, 244, 26}, "Helvetica", 15, ui::Color::blackColor());
    description->setAlignment(ui::TextAlignment::Left);
    auto date = cards::cardLabel(nib, *card, {40, 24, 280, 22}, "Helvetica Neue", 13, custom2());
    date->setAlignment(ui::TextAlignment::Left);

    if (auto owner = nib.owner<LoginPhotoContainer>()) {
        owner->setWindow(window);
        owner->view = card;
        owner->bustedImageView = photo;
        owner->kestruneIconImage = logo;
        owner->kestruneBottomIcon = icon;
        owner->mugShotTextField = description;
        owner->mugShotBottomTextField = date;
    }
});

}  // namespace kestrune
