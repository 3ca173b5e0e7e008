// The clipboard window, a dark rounded panel: the title and what sharing does, the phone's way to send
// text to the Mac, the Mac's way to send it to the phone with the button or the hot key, and a line that
// says when the phone must be connected first.

#include "windows/clipboard/ClipboardInfoViewController.h"
#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/buttons/KSButton3.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"
#include "windows/screens/ScreenLayout.h"

namespace kestrune {

namespace {

template <typename Field = ui::TextField>
std::shared_ptr<Field> label(ui::NibLoader& nib, ui::View& parent, ui::Rect frame, double size, double alpha,
                             ui::TextAlignment alignment = ui::TextAlignment::Left) {
    auto field = nib.make<Field>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setBordered(false);
    field->setDrawsBackground(false);
    field->setFont(ui::Font::fontWithName_size("Helvetica Neue", size));
    field->setTextColor(ui::Color::whiteColor().colorWithAlphaComponent(alpha));
    field->setAlignment(alignment);
    field->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    parent.addSubview(field);
    return field;
}

std::shared_ptr<ui::ImageView> picture(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                       const char* name) {
    auto view = nib.make<ui::ImageView>(frame);
    view->setImage(ui::Image::imageNamed(name));
    view->setImageScaling(ui::ImageScaling::ProportionallyDown);
    parent.addSubview(view);
    return view;
}

}  // namespace

extern const ui::NibRegistry::Registration kClipboardInfoViewControllerLayout;
const ui::NibRegistry::Registration kClipboardInfoViewControllerLayout(
    "ClipboardInfoViewController", [](ui::NibLoader& nib) {
        auto owner = nib.owner<ClipboardInfoViewController>();
        auto window =
            nib.make<ui::Window>({0, 0, 440, 400}, ui::kWindowStyleTitled | ui::kWindowStyleClosable |
                                                       ui::kWindowStyleFullSizeContentView);
        window->setTitleVisibility(ui::Window::TitleVisibility::Hidden);
        window->setTitlebarAppearsTransparent(true);
        window->setMovableByWindowBackground(true);
        window->setOpaque(false);
        nib.addTopLevel(window);
        // The panel is the whole window when the window stands alone; shown as a page of the settings
        // window, the page is larger and the panel stays at its size in the middle of it.
        auto panel = nib.make<ui::View>({0, 0, 440, 400});
        panel->setAutoresizingMask(ui::kViewMinXMargin | ui::kViewMaxXMargin | ui::kViewMinYMargin |
                                   ui::kViewMaxYMargin);
        setBackgouroundColor(*panel, colorWithHexColorString("2A2D31"));
        panel->layer()->setCornerRadius(12);
        window->contentView()->addSubview(panel);
        auto content = panel;

        auto title = label(nib, *content, {40, 346, 360, 28}, 20, 1, ui::TextAlignment::Center);
        auto description = label(nib, *content, {40, 282, 360, 50}, 12, 0.75, ui::TextAlignment::Center);

        // From the phone to the Mac.
        picture(nib, *content, {44, 206, 28, 52}, "menubar_iphone");
        auto toMac = label(nib, *content, {90, 206, 310, 52}, 12, 0.9);
        auto line = nib.make<ui::View>({40, 190, 360, 1});
        setBackgouroundColor_withAlpha(*line, ui::Color::whiteColor(), 0.2);
        content->addSubview(line);

        // From the Mac to the phone.
        picture(nib, *content, {49, 150, 18, 18}, "menubar_clipboard");
        // The icon's caption: the word for the clipboard is long in several languages, so the caption is
        // as wide as the space beside the text allows and may take a second line, its first line staying
        // right under the icon.
        auto clipboard =
            label<TopAlignedLabel>(nib, *content, {24, 118, 68, 28}, 10, 0.6, ui::TextAlignment::Center);
        auto fromMac = label(nib, *content, {90, 132, 310, 42}, 12, 0.9);
        auto send = nib.make<KSButton3>({130, 86, 180, 30});
        setToDefaultProperties(*send);
        if (owner) {
            send->setTarget(owner);
            send->setAction([](const std::shared_ptr<ui::UIObject>& target, ui::Control& sender) {
                if (auto controller = std::dynamic_pointer_cast<ClipboardInfoViewController>(target))
                    controller->buttonToggled(sender);
            });
        }
        content->addSubview(send);
        auto orPress = label(nib, *content, {40, 56, 120, 18}, 12, 0.75, ui::TextAlignment::Right);
        auto shortcut = picture(nib, *content, {170, 47, 176, 36}, "clipboard_shortcut");

        auto notConnected = label(nib, *content, {40, 8, 360, 32}, 12, 1, ui::TextAlignment::Center);
        notConnected->setTextColor(warningYellow());

        if (!owner) return;
        owner->setWindow(window);
        window->setDelegate(std::static_pointer_cast<ui::WindowDelegate>(owner));
        owner->titleLabel = title;
        owner->descriptionLabel = description;
        owner->sentToMacLabel = toMac;
        owner->clipboardLabel = clipboard;
        owner->getFromMacLabel = fromMac;
        owner->sentClipboardButton = send;
        owner->bottomLabel = orPress;
        owner->shortcutImageVIew = shortcut;
        owner->devicesNotConnectedLabel = notConnected;
    });

}  // namespace kestrune
