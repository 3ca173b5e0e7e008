#include "uikit/views/BlurredWindowManager.h"

namespace kestrune {

namespace {
constexpr double kWindowBackgroundBlurRadius = 25;
}

void BlurredWindowManager::enableBlurForWindow(ui::Window& window) {
    window.setOpaque(false);
    window.setBackgroundBlurRadius(kWindowBackgroundBlurRadius);
}

}  // namespace kestrune
