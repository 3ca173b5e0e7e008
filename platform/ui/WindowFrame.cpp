#include "platform/ui/WindowFrame.h"

#include "platform/ui/BezierPath.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/View.h"

namespace platform::ui {

namespace {
// The buttons' places in the title bar: 12-point circles, 20 points apart, the first 8 points in from
// the left edge, centred in the bar's height.
constexpr double kButtonSide = 12;
constexpr double kFirstButtonX = 8;
constexpr double kButtonPitch = 20;

bool isTitlebarOverContent(const Window& window) {
    const unsigned style = window.styleMask();
    return (style & kWindowStyleTitled) && (style & kWindowStyleFullSizeContentView) && window.contentView();
}

// The title bar's strip in the content view's space.
Rect titlebarRect(const View& content) {
    const Rect b = content.bounds();
    const double height = Window::kTitleBarHeight;
    return {b.minX(), content.isFlipped() ? b.minY() : b.maxY() - height, b.width(), height};
}

Color rgb(int hex) {
    return Color::colorWithSRGBRed_green_blue_alpha(((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0,
                                                    (hex & 0xFF) / 255.0, 1);
}
}  // namespace

std::vector<TitlebarButton> titlebarButtonsOverContent(const Window& window) {
    std::vector<TitlebarButton> buttons;
    if (!isTitlebarOverContent(window)) return buttons;
    const Rect bar = titlebarRect(*window.contentView());
    const unsigned style = window.styleMask();
    const struct {
        Window::StandardButton kind;
        unsigned styleBit;
    } all[] = {{Window::StandardButton::Close, kWindowStyleClosable},
               {Window::StandardButton::Miniaturize, kWindowStyleMiniaturizable},
               {Window::StandardButton::Zoom, kWindowStyleResizable}};
    // A hidden button leaves its place empty, as on the platform.
    for (int i = 0; i < 3; ++i) {
        if (window.isStandardButtonHidden(all[i].kind)) continue;
        const Rect frame{bar.minX() + kFirstButtonX + kButtonPitch * i, bar.midY() - kButtonSide / 2,
                         kButtonSide, kButtonSide};
        buttons.push_back({all[i].kind, frame, (style & all[i].styleBit) != 0});
    }
    return buttons;
}

Color titlebarButtonColor(const TitlebarButton& button) {
    if (!button.enabled) return rgb(0xD0D0D0);
    switch (button.kind) {
        case Window::StandardButton::Close:
            return rgb(0xFF5F57);
        case Window::StandardButton::Miniaturize:
            return rgb(0xFEBC2E);
        case Window::StandardButton::Zoom:
            return rgb(0x28C840);
    }
    return rgb(0xD0D0D0);
}

void drawWindowFrameOverContent(const Window& window, GraphicsContext& context) {
    if (!isTitlebarOverContent(window)) return;
    const View& content = *window.contentView();
    context.saveGState();
    if (!window.titlebarAppearsTransparent()) {
        const Rect bar = titlebarRect(content);
        context.setFillColor(window.backgroundColor());
        context.fillRect(bar);
        context.setFillColor(Color::colorWithCalibratedWhite_alpha(0, 0.15));
        context.fillRect({bar.minX(), content.isFlipped() ? bar.maxY() - 1 : bar.minY(), bar.width(), 1});
    }
    for (const auto& button : titlebarButtonsOverContent(window)) {
        auto circle = BezierPath::bezierPathWithOvalInRect(button.frame);
        context.setFillColor(titlebarButtonColor(button));
        context.fillPath(circle);
        // A thin darker rim, as the platform draws it.
        auto rim = BezierPath::bezierPathWithOvalInRect(button.frame.insetBy(0.25, 0.25));
        rim.setLineWidth(0.5);
        context.setStrokeColor(Color::colorWithCalibratedWhite_alpha(0, 0.12));
        context.strokePath(rim);
    }
    context.restoreGState();
}

}  // namespace platform::ui
