#pragma once

#include <memory>

#include "uikit/views/MovableWindow.h"

namespace kestrune {

// A borderless movable window that shows itself centred on the main screen. Whatever style it is asked
// for, it is borderless.
class MyNSWindow : public MovableWindow {
public:
    static std::shared_ptr<MyNSWindow> create(ui::Rect contentRect,
                                              unsigned style = ui::kWindowStyleBorderless);
    void initWithContentRect_styleMask_backing_defer(ui::Rect contentRect, unsigned style, int backing,
                                                     bool defer) override;
    void showWindowInCenter();
};

}  // namespace kestrune
