#include "main/InterfaceKitHelpers.h"

#include "uikit/views/BackgroundColor.h"
#include "uikit/views/RoundedCorners.h"
#include "uikit/views/ViewAnimations.h"
#include "uikit/views/WindowHelper.h"

namespace kestrune {

void InterfaceKitHelpers::setBackgouroundColor(platform::ui::View& view, const platform::ui::Color& color) {
    kestrune::setBackgouroundColor(view, color);
}

void InterfaceKitHelpers::setAlpha_withDuration(platform::ui::View& view, double alpha, double duration) {
    kestrune::setAlpha_withDuration(view, alpha, duration);
}

void InterfaceKitHelpers::setRoundedCornerSize(platform::ui::View& view, double size) {
    kestrune::setRoundedCornerSize(view, size);
}

void InterfaceKitHelpers::showWindowInCenter(platform::ui::Window& window,
                                             const std::shared_ptr<platform::ui::Screen>& screen) {
    kestrune::showWindowInCenter(window, screen);
}

void installInterfaceKitHelpers() {
    ViewHelpers::install(std::make_shared<InterfaceKitHelpers>());
}

}  // namespace kestrune
