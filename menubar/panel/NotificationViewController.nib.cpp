// The panel's notice, as large as the phone row it covers: the picture on the left, the texts to its
// right with the main button under them, the info button at the right edge. Its ground is the panel's,
// so that nothing under it shows through.

#include "menubar/panel/NotificationViewController.h"
#include "menubar/panel/PanelBackgrounds.h"
#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/buttons/KSButton3.h"
#include "uikit/views/BackgroundColor.h"

namespace kestrune {

namespace {

std::shared_ptr<ui::TextField> label(ui::NibLoader& nib, ui::View& parent, ui::Rect frame, double size) {
    auto field = nib.make<ui::TextField>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setBordered(false);
    field->setDrawsBackground(false);
    field->setFont(ui::Font::fontWithName_size("Helvetica Neue", size));
    field->setTextColor(ui::Color::whiteColor());
    field->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    field->setAlignment(ui::TextAlignment::Left);
    parent.addSubview(field);
    return field;
}

using Action = void (NotificationViewController::*)();

void connect(ui::Control& control, const std::shared_ptr<NotificationViewController>& owner, Action action) {
    if (!owner) return;
    control.setTarget(owner);
    control.setAction([action](const std::shared_ptr<ui::UIObject>& target, ui::Control&) {
        if (auto notice = std::dynamic_pointer_cast<NotificationViewController>(target))
            ((*notice).*action)();
    });
}

}  // namespace

extern const ui::NibRegistry::Registration kNotificationViewControllerLayout;
const ui::NibRegistry::Registration kNotificationViewControllerLayout(
    "NotificationViewController", [](ui::NibLoader& nib) {
        auto owner = nib.owner<NotificationViewController>();
        auto root = nib.make<ui::View>({0, 0, 275, 94});
        setBackgouroundColor(
            *root, ui::Color::colorWithCalibratedRed_green_blue_alpha(
                       PanelColors::kRed, PanelColors::kGreen, PanelColors::kBlue, PanelColors::kAlpha));
        nib.addTopLevel(root);

        auto picture = nib.make<ui::ImageView>({14, 27, 40, 40});
        picture->setImageScaling(ui::ImageScaling::ProportionallyDown);
        root->addSubview(picture);
        auto top = label(nib, *root, {66, 58, 190, 16}, 12);
        auto centred = label(nib, *root, {66, 40, 196, 18}, 13);
        // The flat button grows about its centre with its title: centred on the texts' column, the
        // longest title (about 205 points) stays clear of the picture and inside the notice.
        auto main = nib.make<KSButton3>({86, 8, 150, 24});
        setToDefaultProperties(*main);
        connect(*main, owner, &NotificationViewController::didToggleMainButton);
        root->addSubview(main);
        auto info = nib.make<ui::Button>({238, 12, 22, 22});
        setToDefaultProperties(*info);
        info->setTitle("");
        info->setImagePosition(ui::ImagePosition::ImageOnly);
        connect(*info, owner, &NotificationViewController::didToggleInfoButton);
        root->addSubview(info);

        if (!owner) return;
        owner->setView(root);
        owner->mainImageView = picture;
        owner->topLabel = top;
        owner->centeredNotificationTextBig = centred;
        owner->mainButton = main;
        owner->infoButton = info;
    });

}  // namespace kestrune
