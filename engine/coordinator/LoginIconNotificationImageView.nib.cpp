// The user's picture (96 points, round) over the name and the ask for the password, the product icon at
// the picture's lower right.

#include "engine/coordinator/LoginIconNotificationImageView.h"
#include "app/support/Localizable.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/TextField.h"

namespace kestrune {

namespace ui = platform::ui;

namespace {

std::shared_ptr<ui::TextField> label(ui::NibLoader& nib, ui::Rect frame, double size) {
    auto field = nib.make<ui::TextField>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setDrawsBackground(false);
    field->setFont(ui::Font::fontWithName_size("Helvetica Neue", size));
    field->setTextColor(ui::Color::whiteColor());
    field->setAlignment(ui::TextAlignment::Center);
    return field;
}

}  // namespace

extern const ui::NibRegistry::Registration kLoginIconNotificationImageViewLayout;
const ui::NibRegistry::Registration kLoginIconNotificationImageViewLayout(
    LoginIconNotificationImageView::kLayoutName, [](ui::NibLoader& nib) {
        auto root = nib.make<LoginIconNotificationImageView>({0, 0, 240, 180});
        auto picture = nib.make<ui::ImageView>({72, 64, 96, 96});
        picture->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
        root->addSubview(picture);
        auto icon = nib.make<ui::ImageView>({140, 64, 32, 32});
        icon->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
        icon->setImage(ui::Image::imageNamed("kestrune_logo"));
        root->addSubview(icon);
        auto name = label(nib, {0, 34, 240, 24}, 17);
        root->addSubview(name);
        auto ask = label(nib, {0, 10, 240, 20}, 13);
        ask->setStringValue(localizable("enter_password_prompt"));
        root->addSubview(ask);
        root->userImage = picture;
        root->kestruneIconImage = icon;
        root->userNameLabel = name;
        root->enterPasswordLabel = ask;
        nib.addTopLevel(root);
    });

}  // namespace kestrune
