// A dark rounded panel: the title at the top, the list on its backdrop, a line of text under it, and
// the information button at the left of the two bottom buttons.

#include "uikit/bases/KestruneListViewWindow.h"
#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"

namespace kestrune {

namespace {
std::shared_ptr<ui::TextField> whiteLabel(ui::NibLoader& nib, ui::Rect frame, double size, double alpha) {
    auto field = nib.make<ui::TextField>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setDrawsBackground(false);
    field->setFont(ui::Font::fontWithName_size("Helvetica", size));
    field->setTextColor(ui::Color::whiteColor().colorWithAlphaComponent(alpha));
    field->setAlignment(ui::TextAlignment::Center);
    field->setAutoresizingMask(ui::kViewWidthSizable);
    return field;
}

std::shared_ptr<ui::Button> bottomButton(ui::NibLoader& nib, ui::Rect frame) {
    auto button = nib.make<ui::Button>(frame);
    setToDefaultProperties(*button);
    button->setImagePosition(ui::ImagePosition::ImageOverlaps);
    button->setFont(ui::Font::fontWithName_size("Helvetica Neue", 12));
    button->setTitle("Button");
    setTextColor(*button, ui::Color::whiteColor());
    button->setAutoresizingMask(ui::kViewMinXMargin);
    return button;
}
}  // namespace

extern const ui::NibRegistry::Registration kKestruneListViewWindowLayout;
const ui::NibRegistry::Registration kKestruneListViewWindowLayout("KestruneListViewWindow", [](ui::NibLoader&
                                                                                                   nib) {
    auto owner = nib.owner<KestruneListViewWindow>();
    auto window = nib.make<ui::Window>({0, 0, 440, 580}, ui::kWindowStyleTitled | ui::kWindowStyleClosable |
                                                             ui::kWindowStyleFullSizeContentView);
    window->setTitleVisibility(ui::Window::TitleVisibility::Hidden);
    window->setTitlebarAppearsTransparent(true);
    window->setMovableByWindowBackground(true);
    window->setOpaque(false);
    nib.addTopLevel(window);
    auto content = window->contentView();
    setBackgouroundColor(*content, colorWithHexColorString("2A2D31"));
    content->layer()->setCornerRadius(12);

    auto title = whiteLabel(nib, {50, 530, 340, 28}, 20, 1);
    auto backdrop = nib.make<ui::View>({20, 104, 400, 410});
    backdrop->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
    auto list = nib.make<KestruneListView>({20, 104, 400, 410});
    list->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
    auto info = whiteLabel(nib, {20, 74, 400, 18}, 11, 0.7);
    auto infoButton = nib.make<ui::Button>({20, 22, 30, 30});
    setToDefaultProperties(*infoButton);
    infoButton->setTitle("i");
    infoButton->setFont(ui::Font::fontWithName_size("Helvetica", 15));
    setTextColor(*infoButton, ui::Color::whiteColor());
    infoButton->setWantsLayer(true);
    infoButton->layer()->setCornerRadius(15);
    infoButton->layer()->setBorderWidth(1.5);
    infoButton->layer()->setBorderColor(ui::Color::whiteColor().colorWithAlphaComponent(0.7));
    auto center = bottomButton(nib, {160, 20, 120, 34});
    center->setAutoresizingMask(ui::kViewMinXMargin | ui::kViewMaxXMargin);
    auto right = bottomButton(nib, {300, 20, 120, 34});
    for (const auto& view :
         std::vector<std::shared_ptr<ui::View>>{title, backdrop, list, info, infoButton, center, right})
        content->addSubview(view);

    if (!owner) return;
    owner->setWindow(window);
    window->setDelegate(owner);
    owner->title = title;
    owner->listViewBackgroundView = backdrop;
    owner->listView = list;
    owner->bottomInfoTextField = info;
    owner->infoButton = infoButton;
    owner->bottomCenterButton = center;
    owner->bottomRightButton = right;
    std::weak_ptr<KestruneListViewWindow> weak = owner;
    auto act = [weak](void (KestruneListViewWindow::*action)(ui::Control&)) {
        return [weak, action](const std::shared_ptr<ui::UIObject>&, ui::Control& sender) {
            if (auto controller = weak.lock()) ((*controller).*action)(sender);
        };
    };
    for (auto& [button, action] :
         std::vector<std::pair<std::shared_ptr<ui::Button>, void (KestruneListViewWindow::*)(ui::Control&)>>{
             {right, &KestruneListViewWindow::didToggleButtonRightButton},
             {center, &KestruneListViewWindow::didToggleButtonCenterButton},
             {infoButton, &KestruneListViewWindow::infoButtonToggled}}) {
        button->setTarget(owner);
        button->setAction(act(action));
    }
});

}  // namespace kestrune
