// The desktop's alert window: its parts' places for texts of any length, and its default button drawn as
// the one Return presses.

#include "platform/ui/Alert.h"

#include <gtest/gtest.h>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class AlertTest : public test::Fixture {
protected:
    static Alert sendPrompt() {
        Alert alert;
        alert.messageText = "Send Crash Report?";
        alert.informativeText =
            "Looks like we crashed! Please help us fix the problem by sending a crash report.";
        alert.buttonTitles = {"Send", "Always Send", "Don't Send"};
        return alert;
    }
};

TEST_F(AlertTest, ButtonsRunFromTheRightInTheirOrderBelowTheTextsAndTheFirstIsTheDefault) {
    for (const bool withIcon : {false, true}) {
        SCOPED_TRACE(withIcon ? "with an icon" : "without an icon");
        Alert alert = sendPrompt();
        if (withIcon) alert.icon = registerImage("app-icon", {128, 128});
        auto window = alert.makeWindow();
        ASSERT_TRUE(window && window->contentView());
        const Rect content = window->contentView()->bounds();
        EXPECT_EQ(content.width(), Alert::kWidth);

        const auto buttons = Alert::buttonsOf(*window);
        ASSERT_EQ(buttons.size(), 3u);
        EXPECT_EQ(buttons[0]->title(), "Send");
        EXPECT_EQ(buttons[1]->title(), "Always Send");
        EXPECT_EQ(buttons[2]->title(), "Don't Send");
        EXPECT_EQ(buttons[0]->keyEquivalent(), "\r");
        EXPECT_EQ(buttons[1]->keyEquivalent(), "");
        EXPECT_EQ(buttons[2]->keyEquivalent(), "");
        // Right to left, side by side without touching, on one line inside the window.
        EXPECT_LE(buttons[0]->frame().maxX(), content.maxX() - 10);
        for (size_t i = 1; i < buttons.size(); ++i) {
            EXPECT_LT(buttons[i]->frame().maxX(), buttons[i - 1]->frame().minX());
            EXPECT_EQ(buttons[i]->frame().minY(), buttons[0]->frame().minY());
        }
        EXPECT_GE(buttons[2]->frame().minX(), content.minX());
        EXPECT_GE(buttons[0]->frame().minY(), 10);
        // A title wider than the smallest button widens its button.
        EXPECT_GT(buttons[1]->frame().width(), buttons[0]->frame().width());

        const auto message = Alert::messageFieldOf(*window);
        const auto informative = Alert::informativeFieldOf(*window);
        ASSERT_TRUE(message && informative);
        EXPECT_EQ(message->stringValue(), "Send Crash Report?");
        EXPECT_EQ(informative->stringValue(), alert.informativeText);
        // The message on top, the informative text below it, both above the buttons and inside the window.
        EXPECT_LE(message->frame().maxY(), content.maxY());
        EXPECT_LE(informative->frame().maxY(), message->frame().minY());
        EXPECT_GT(informative->frame().minY(), buttons[0]->frame().maxY());
        EXPECT_LE(informative->frame().maxX(), content.maxX());
        // Beside the icon when there is one, else from the left margin.
        std::shared_ptr<ImageView> iconView;
        for (const auto& view : window->contentView()->subviews())
            if (auto image = std::dynamic_pointer_cast<ImageView>(view)) iconView = image;
        EXPECT_EQ(iconView != nullptr, withIcon);
        if (iconView)
            EXPECT_GT(message->frame().minX(), iconView->frame().maxX());
        else
            EXPECT_LT(message->frame().minX(), 30);
    }
}

TEST_F(AlertTest, ALongerTextMakesATallerWindowAndNoButtonsMakeAnOKButton) {
    Alert shortAlert = sendPrompt();
    Alert longAlert = sendPrompt();
    for (int i = 0; i < 6; ++i) longAlert.informativeText += " " + shortAlert.informativeText;
    const auto shortWindow = shortAlert.makeWindow();
    const auto longWindow = longAlert.makeWindow();
    EXPECT_GT(longWindow->contentView()->bounds().height(),
              shortWindow->contentView()->bounds().height() + 40);
    // The informative text keeps clear of the buttons however long it is.
    EXPECT_GT(Alert::informativeFieldOf(*longWindow)->frame().minY(),
              Alert::buttonsOf(*longWindow)[0]->frame().maxY());

    Alert plain;
    plain.messageText = "Kestrune cannot start at login";
    const auto plainWindow = plain.makeWindow();
    const auto buttons = Alert::buttonsOf(*plainWindow);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0]->title(), "OK");
    EXPECT_EQ(buttons[0]->keyEquivalent(), "\r");
}

// Buttons whose titles need more than the alert's width widen it: they stay on their row, whole and
// apart, inside the window, and the texts take the width with them.
TEST_F(AlertTest, LongButtonTitlesWidenTheAlert) {
    Alert alert = sendPrompt();
    alert.icon = registerImage("app-icon", {128, 128});
    const auto narrow = alert.makeWindow();
    alert.buttonTitles = {"Send this report now", "Always send the reports", "Do not send this report"};
    const auto window = alert.makeWindow();
    const Rect content = window->contentView()->bounds();
    EXPECT_GT(content.width(), Alert::kWidth);
    const auto buttons = Alert::buttonsOf(*window);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0]->frame().maxX(), content.maxX() - 20);
    EXPECT_EQ(buttons[2]->frame().minX(), content.minX() + 20);
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_GE(buttons[i]->frame().width(), buttons[i]->intrinsicContentSize().width) << i;
        if (i > 0) {
            EXPECT_LT(buttons[i]->frame().maxX(), buttons[i - 1]->frame().minX()) << i;
        }
    }
    const auto informative = Alert::informativeFieldOf(*window);
    EXPECT_EQ(informative->frame().maxX(), content.maxX() - 20);
    // Wider lines: the same text takes no more lines than in the narrow alert.
    EXPECT_LE(informative->frame().height(), Alert::informativeFieldOf(*narrow)->frame().height());
}

// The default button is filled with the accent colour, its title in white; the others stay light.
TEST_F(AlertTest, TheDefaultButtonIsDrawnInTheAccentColour) {
    auto window = sendPrompt().makeWindow();
    auto& content = *window->contentView();
    const Bitmap picture = CairoRenderer().renderView(content, content.bounds(), 1);
    const auto buttons = Alert::buttonsOf(*window);
    ASSERT_EQ(buttons.size(), 3u);
    // A point inside each bezel, clear of its title, counted from the picture's top row.
    auto bezelPixel = [&](const Button& button) {
        const Rect f = button.frame();
        return picture.rgbaAt(static_cast<int>(f.minX() + 5),
                              static_cast<int>(content.bounds().height() - f.midY()));
    };
    const auto send = bezelPixel(*buttons[0]);
    EXPECT_GT(send.b, 180);
    EXPECT_LT(send.r, 60);
    for (size_t i : {1u, 2u}) {
        const auto other = bezelPixel(*buttons[i]);
        EXPECT_GT(other.r, 200) << i;
        EXPECT_GT(other.g, 200) << i;
    }
}

}  // namespace
}  // namespace platform::ui
