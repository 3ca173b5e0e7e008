// The pairing wizard's own pages: the phone asking for this Mac's login password, and the page that
// says this Mac is not supported.

#include "platform/ui/Font.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"
#include "windows/screens/ScreenLayout.h"
#include "windows/wizard/ConfigureViewController.h"
#include "windows/wizard/NotSupportedViewController.h"

namespace kestrune {

namespace {
namespace sl = screenlayout;

std::shared_ptr<ui::View> separator(ui::NibLoader& nib) {
    auto strip = nib.make<ui::View>({0, 0, sl::kPageWidth, 5});
    setBackgouroundColor(*strip, kestruneGreen());
    return strip;
}

// A field of the phone's form: a white box with a thin grey border.
std::shared_ptr<ui::TextField> formField(ui::NibLoader& nib, ui::Rect frame) {
    auto field = nib.make<ui::TextField>(frame);
    field->setEditable(false);
    field->setBezeled(false);
    field->setDrawsBackground(false);
    field->setFont(ui::Font::systemFontOfSize(13));
    field->setTextColor(colorWithHexColorString("222222"));
    field->setWantsLayer(true);
    field->layer()->setBackgroundColor(ui::Color::whiteColor());
    field->layer()->setBorderColor(colorWithHexColorString("C8CCCA"));
    field->layer()->setBorderWidth(1);
    field->layer()->setCornerRadius(4);
    return field;
}
}  // namespace

extern const ui::NibRegistry::Registration kConfigureViewControllerLayout;
const ui::NibRegistry::Registration kConfigureViewControllerLayout(
    "ConfigureViewController", [](ui::NibLoader& nib) {
        auto page = sl::pageView(nib);
        auto text = sl::label(nib, {60, 290, 400, 110}, 26, true, ui::TextAlignment::Left);
        auto small = sl::label(nib, {60, 220, 400, 60}, 14, false, ui::TextAlignment::Left);
        // The phone: its frame, then what its screen shows. The settings window's detail pane shows the
        // page's lower 499 points under its title bar: the phone stays below that.
        auto frame = nib.make<ui::ImageView>({540, 10, 250, 460});
        frame->setImageScaling(ui::ImageScaling::AxesIndependently);
        frame->setImage(ui::Image::imageNamed("wizzard_phone_frame"));
        auto time = sl::label(nib, {554, 386, 222, 18}, 11, true);
        auto name = sl::label(nib, {562, 343, 206, 26}, 17, true);
        auto prompt = sl::label(nib, {562, 291, 206, 48}, 12);
        auto user = formField(nib, {572, 253, 186, 26});
        auto password = formField(nib, {572, 220, 186, 26});
        auto connect = sl::label(nib, {572, 164, 186, 26}, 15, true);
        connect->setTextColor(kestruneGreen());
        auto cancel = sl::label(nib, {572, 134, 186, 24}, 14);
        for (const std::shared_ptr<ui::View>& view : std::vector<std::shared_ptr<ui::View>>{
                 text, small, frame, time, name, prompt, user, password, connect, cancel, separator(nib)})
            page->addSubview(view);
        auto owner = nib.owner<ConfigureViewController>();
        if (!owner) return;
        owner->textLabel = text;
        owner->smallTextLabel = small;
        owner->frameImageView = frame;
        owner->timeTextField = time;
        owner->deviceNameLabel = name;
        owner->inputLoginInformationLabel = prompt;
        owner->userNameTextField = user;
        owner->passwordTextField = password;
        owner->connectTextField = connect;
        owner->cancelTextField = cancel;
    });

extern const ui::NibRegistry::Registration kNotSupportedViewControllerLayout;
const ui::NibRegistry::Registration kNotSupportedViewControllerLayout(
    "NotSupportedViewController", [](ui::NibLoader& nib) {
        auto page = sl::pageView(nib);
        auto icon = nib.make<ui::ImageView>({365, 300, 120, 120});
        icon->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
        icon->setImage(ui::Image::imageNamed("bluetooth_icon"));
        auto text = sl::label(nib, {110, 170, 630, 110}, 20, true);
        auto quit = sl::actionButton(nib, {335, 90, 180, 40});
        for (const std::shared_ptr<ui::View>& view :
             std::vector<std::shared_ptr<ui::View>>{icon, text, quit, separator(nib)})
            page->addSubview(view);
        auto owner = nib.owner<NotSupportedViewController>();
        if (!owner) return;
        owner->mainTextLabel = text;
        owner->mainButton = quit;
        sl::bind<NotSupportedViewController>(*quit, owner, &NotSupportedViewController::quitToggled);
    });

std::optional<std::string> ConfigureViewController::nibName() const {
    return kConfigureViewControllerLayout.name;
}
std::optional<std::string> NotSupportedViewController::nibName() const {
    return kNotSupportedViewControllerLayout.name;
}

}  // namespace kestrune
