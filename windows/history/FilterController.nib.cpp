// "Filter" at the left, then the five kinds' toggles, each its kind's icon in white.

#include "windows/history/FilterController.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/images/ImageTintColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kFilterControllerLayout;
const ui::NibRegistry::Registration kFilterControllerLayout("FilterController", [](ui::NibLoader& nib) {
    auto bar = nib.make<ui::View>({0, 0, 400, 34});
    nib.addTopLevel(bar);
    auto label = cells::label(nib, *bar, {0, 9, 90, 16}, "Helvetica Neue", 12,
                              ui::Color::whiteColor().colorWithAlphaComponent(0.8), ui::kViewNotSizable);
    struct Toggle {
        const char* icon;
        void (FilterController::*action)(ui::Control&);
        std::shared_ptr<ui::Button> FilterController::*outlet;
    };
    const Toggle toggles[] = {
        {"started", &FilterController::startFilterToggled, &FilterController::startButton},
        {"unlocked", &FilterController::loginFilterToggled, &FilterController::loginButton},
        {"locked", &FilterController::logoutFilterToggled, &FilterController::logoutButton},
        {"session_duration", &FilterController::sessionFilterToggled, &FilterController::sessionButton},
        {"failed_login_attempt", &FilterController::failedLoginFilterToggled,
         &FilterController::failedLoginButton},
    };
    auto owner = nib.owner<FilterController>();
    double x = 100;
    for (const auto& toggle : toggles) {
        auto button = nib.make<ui::Button>({x, 2, 52, 30});
        setToDefaultProperties(*button);
        button->setImage(imageTintedWithColor(ui::Image::imageNamed(toggle.icon), ui::Color::whiteColor()));
        button->setImagePosition(ui::ImagePosition::ImageOnly);
        button->setToolTip(toggle.icon);
        bar->addSubview(button);
        x += 60;
        if (!owner) continue;
        (*owner).*toggle.outlet = button;
        cells::connect<FilterController>(*button, owner, toggle.action);
    }
    if (!owner) return;
    owner->filterLabel = label;
    owner->setView(bar);
});

}  // namespace kestrune
