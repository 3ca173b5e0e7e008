#pragma once

#include <memory>

namespace platform::ui {
class Color;
class Screen;
class View;
class Window;
}  // namespace platform::ui

namespace kestrune {

// The four view helpers of the interface kit that the engine's own views and the coordinator use. The
// kit implements them; the program's entry installs that implementation. Until one is installed a
// stand-in logs each request and changes nothing.
class ViewHelpers {
public:
    virtual ~ViewHelpers() = default;

    // Makes the view layer-backed with a new layer whose background is the colour.
    virtual void setBackgouroundColor(platform::ui::View& view, const platform::ui::Color& color) = 0;
    // Animates the view's alpha to the value over the duration; duration 0 sets it at once.
    virtual void setAlpha_withDuration(platform::ui::View& view, double alpha, double duration) = 0;
    // Makes the view layer-backed with that corner radius, masking to its bounds.
    virtual void setRoundedCornerSize(platform::ui::View& view, double size) = 0;
    // Centres the window on the screen, activates the application ignoring the others, orders the
    // window front and makes it key.
    virtual void showWindowInCenter(platform::ui::Window& window,
                                    const std::shared_ptr<platform::ui::Screen>& screen) = 0;

    static std::shared_ptr<ViewHelpers> current();
    // Null puts the stand-in back.
    static void install(std::shared_ptr<ViewHelpers> helpers);
};

}  // namespace kestrune
