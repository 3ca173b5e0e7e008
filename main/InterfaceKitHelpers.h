#pragma once

#include <memory>

#include "engine/coordinator/ViewHelpers.h"

namespace kestrune {

// The engine's four view helpers, done by the interface kit.
class InterfaceKitHelpers : public ViewHelpers {
public:
    void setBackgouroundColor(platform::ui::View& view, const platform::ui::Color& color) override;
    void setAlpha_withDuration(platform::ui::View& view, double alpha, double duration) override;
    void setRoundedCornerSize(platform::ui::View& view, double size) override;
    void showWindowInCenter(platform::ui::Window& window,
                            const std::shared_ptr<platform::ui::Screen>& screen) override;
};

// Installs them for the engine (the program's entry, before the coordinator is made).
void installInterfaceKitHelpers();

}  // namespace kestrune
