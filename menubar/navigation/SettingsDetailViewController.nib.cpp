// The detail pane, sized for the settings window: the navigation bar across the top (back button on the
// left, the title centred, a line under it) and two places for a page: under the bar, or the whole pane.
// The bar is as tall as the window is taller than a screen page (575 - 530), so that a screen pushed
// under it shows whole; the window's title bar is transparent and its buttons sit over the master pane,
// so the detail pane keeps no strip for it. Both places start at the pane's origin, so a page set to
// either place's bounds sits in it.

#include "menubar/navigation/SettingsDetailViewController.h"
#include "platform/ui/Nib.h"
#include "uikit/text/KSTextFieldStyles.h"
#include "uikit/views/BackgroundColor.h"

namespace kestrune {

namespace {
constexpr double kWidth = 849;
constexpr double kHeight = 575;
constexpr double kNavbarHeight = 45;
}  // namespace

extern const ui::NibRegistry::Registration kSettingsDetailViewControllerLayout;
const ui::NibRegistry::Registration kSettingsDetailViewControllerLayout(
    "SettingsDetailViewController", [](ui::NibLoader& nib) {
        auto pane = nib.make<ui::View>({0, 0, kWidth, kHeight});
        pane->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
        const double navbarBottom = kHeight - kNavbarHeight;

        auto fullscreen = nib.make<ui::View>({0, 0, kWidth, kHeight});
        fullscreen->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
        auto content = nib.make<ui::View>({0, 0, kWidth, navbarBottom});
        content->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);

        auto navbar = nib.make<ui::View>({0, navbarBottom, kWidth, kHeight - navbarBottom});
        navbar->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewMinYMargin);
        setBackgouroundColor(*navbar, ui::Color::whiteColor());
        navbar->setAlphaValue(0);
        auto bar = nib.make<ui::View>({0, 0, kWidth, kNavbarHeight});
        bar->setAutoresizingMask(ui::kViewWidthSizable);
        auto back = nib.make<KSButtonIcon>({24, 9, 90, 28});
        back->setBordered(false);
        auto title = nib.make<KSTextFieldTitle1_2>({140, 11, kWidth - 280, 24});
        title->setEditable(false);
        title->setSelectable(false);
        title->setBezeled(false);
        title->setDrawsBackground(false);
        title->setAlignment(ui::TextAlignment::Center);
        title->setAutoresizingMask(ui::kViewWidthSizable);
        auto line = nib.make<ui::View>({0, 0, kWidth, 1});
        line->setAutoresizingMask(ui::kViewWidthSizable);
        bar->addSubview(back);
        bar->addSubview(title);
        bar->addSubview(line);
        navbar->addSubview(bar);

        pane->addSubview(fullscreen);
        pane->addSubview(content);
        pane->addSubview(navbar);
        nib.addTopLevel(pane);

        auto owner = nib.owner<SettingsDetailViewController>();
        if (!owner) return;
        owner->fullscreenContentContainer = fullscreen;
        owner->contentViewContainer = content;
        owner->navbar = navbar;
        owner->navbarContentContainer = bar;
        owner->backButton = back;
        owner->titleText = title;
        owner->separator = line;
        back->setTarget(owner);
        back->setAction([](const std::shared_ptr<ui::UIObject>& target, ui::Control& sender) {
            if (auto detail = std::dynamic_pointer_cast<SettingsDetailViewController>(target))
                detail->backButtonToggled(sender);
        });
        owner->setView(pane);
    });

}  // namespace kestrune
