#include "platform/ui/Alert.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Button.h"
#include "platform/ui/Font.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
// The desktop's measures of an alert, in points.
constexpr double kMargin = 20;
constexpr double kTopMargin = 15;
constexpr double kIconSide = 64;
constexpr double kIconGap = 16;
constexpr double kTextGap = 8;
constexpr double kButtonHeight = 28;
constexpr double kButtonMinWidth = 82;
constexpr double kButtonExtraWidth = 4;  // beyond the button's own room round its title
constexpr double kButtonGap = 12;
constexpr double kButtonsGap = 20;

constexpr const char* kMessageIdentifier = "alert-message";
constexpr const char* kInformativeIdentifier = "alert-informative";
constexpr const char* kButtonIdentifier = "alert-button";

std::shared_ptr<TextField> wrappingLabel(const std::string& text, const Font& font, double width) {
    auto label = TextField::labelWithString(text);
    label->setFont(font);
    label->setLineBreakMode(LineBreakMode::WordWrapping);
    label->setPreferredMaxLayoutWidth(width);
    const Size needed = label->cellSizeForBounds({0, 0, width, 10000});
    label->setFrameSize({width, std::ceil(needed.height)});
    return label;
}

std::shared_ptr<TextField> fieldWithIdentifier(const Window& window, const char* identifier) {
    if (!window.contentView()) return nullptr;
    for (const auto& view : window.contentView()->subviews())
        if (view->identifier() == identifier) return std::dynamic_pointer_cast<TextField>(view);
    return nullptr;
}
}  // namespace

std::shared_ptr<Window> Alert::makeWindow() const {
    std::vector<std::string> titles = buttonTitles;
    if (titles.empty()) titles.push_back("OK");
    std::vector<std::shared_ptr<Button>> buttons;
    double buttonsWidth = 0;
    for (size_t i = 0; i < titles.size(); ++i) {
        auto button = Button::create();
        button->setTitle(titles[i]);
        button->setIdentifier(kButtonIdentifier);
        button->setTag(static_cast<int>(i));
        if (i == 0) button->setKeyEquivalent("\r");
        const double width =
            std::max(kButtonMinWidth, std::ceil(button->intrinsicContentSize().width) + kButtonExtraWidth);
        button->setFrameSize({width, kButtonHeight});
        buttonsWidth += (i == 0 ? 0 : kButtonGap) + width;
        buttons.push_back(button);
    }
    // The buttons keep their one row whatever their titles' length (a language with longer words): the
    // alert widens for them, and its texts with it.
    const double windowWidth = std::max(kWidth, kMargin + buttonsWidth + kMargin);

    const double textX = icon ? kMargin + kIconSide + kIconGap : kMargin;
    const double textWidth = windowWidth - textX - kMargin;
    auto message = wrappingLabel(messageText, Font::boldSystemFontOfSize(Font::systemFontSize()), textWidth);
    message->setIdentifier(kMessageIdentifier);
    auto informative =
        wrappingLabel(informativeText, Font::systemFontOfSize(Font::smallSystemFontSize()), textWidth);
    informative->setIdentifier(kInformativeIdentifier);

    const double textHeight =
        message->frame().height() + (informativeText.empty() ? 0 : kTextGap + informative->frame().height());
    const double upper = std::max(textHeight, icon ? kIconSide : 0.0);
    const double height = kTopMargin + upper + kButtonsGap + kButtonHeight + kMargin;

    auto window = Window::create({{0, 0}, {windowWidth, height}}, kWindowStyleTitled);
    window->setTitleVisibility(Window::TitleVisibility::Hidden);
    window->setTitlebarAppearsTransparent(true);
    for (auto button :
         {Window::StandardButton::Close, Window::StandardButton::Miniaturize, Window::StandardButton::Zoom})
        window->setStandardButtonHidden(button, true);
    auto content = window->contentView();

    if (icon) {
        auto iconView = ImageView::create({kMargin, height - kTopMargin - kIconSide, kIconSide, kIconSide});
        iconView->setImage(icon);
        iconView->setImageScaling(ImageScaling::ProportionallyUpOrDown);
        content->addSubview(iconView);
    }
    double top = height - kTopMargin;
    message->setFrameOrigin({textX, top - message->frame().height()});
    content->addSubview(message);
    top -= message->frame().height() + kTextGap;
    if (!informativeText.empty()) {
        informative->setFrameOrigin({textX, top - informative->frame().height()});
        content->addSubview(informative);
    }

    double right = windowWidth - kMargin;
    for (const auto& button : buttons) {
        const double width = button->frame().width();
        button->setFrame({right - width, kMargin, width, kButtonHeight});
        right -= width + kButtonGap;
        content->addSubview(button);
    }
    return window;
}

std::vector<std::shared_ptr<Button>> Alert::buttonsOf(const Window& window) {
    std::vector<std::shared_ptr<Button>> buttons;
    if (!window.contentView()) return buttons;
    for (const auto& view : window.contentView()->subviews())
        if (view->identifier() == kButtonIdentifier)
            if (auto button = std::dynamic_pointer_cast<Button>(view)) buttons.push_back(button);
    std::sort(buttons.begin(), buttons.end(),
              [](const auto& a, const auto& b) { return a->tag() < b->tag(); });
    return buttons;
}

std::shared_ptr<TextField> Alert::messageFieldOf(const Window& window) {
    return fieldWithIdentifier(window, kMessageIdentifier);
}

std::shared_ptr<TextField> Alert::informativeFieldOf(const Window& window) {
    return fieldWithIdentifier(window, kInformativeIdentifier);
}

}  // namespace platform::ui
