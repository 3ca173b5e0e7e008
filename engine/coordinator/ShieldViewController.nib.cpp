// The panel over the lock screen, 400 by 300 points: the phone's picture in the middle, its name under
// it, the distance or the state in the same place below, and the instruction at the bottom.

#include "engine/coordinator/ShieldViewController.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

namespace {

std::shared_ptr<ui::TextField> shieldLabel(ui::NibLoader& nib, ui::Rect frame, double size, double alpha) {
    auto field = nib.make<ui::TextField>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setDrawsBackground(false);
    field->setFont(ui::Font::fontWithName_size("Helvetica Neue", size));
    field->setTextColor(ui::Color::whiteColor().colorWithAlphaComponent(alpha));
    field->setAlignment(ui::TextAlignment::Center);
    return field;
}

}  // namespace

extern const ui::NibRegistry::Registration kShieldViewControllerLayout;
const ui::NibRegistry::Registration kShieldViewControllerLayout(
    ShieldViewController::kLayoutName, [](ui::NibLoader& nib) {
        auto root = nib.make<ui::View>({0, 0, 400, 300});
        auto picture = nib.make<ui::ImageView>({160, 130, 80, 130});
        picture->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
        root->addSubview(picture);
        auto name = shieldLabel(nib, {0, 98, 400, 26}, 20, 1.0);
        root->addSubview(name);
        auto rssi = shieldLabel(nib, {0, 72, 400, 22}, 15, 0.8);
        root->addSubview(rssi);
        auto info = shieldLabel(nib, {0, 72, 400, 22}, 15, 0.8);
        root->addSubview(info);
        auto pressKey = shieldLabel(nib, {0, 28, 400, 24}, 17, 1.0);
        root->addSubview(pressKey);
        nib.addTopLevel(root);
        if (auto owner = nib.owner<ShieldViewController>()) {
            owner->iphoneImageView = picture;
            owner->mobileDeviceName = name;
            owner->mobileDeviceRSSI = rssi;
            owner->mobileDeviceInfo = info;
            owner->pressKeyToLogon = pressKey;
            owner->setView(root);
        }
    });

}  // namespace kestrune
