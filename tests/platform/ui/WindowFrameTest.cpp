// The part of a window's frame that lies over its content: the title bar's buttons of a full-size-content
// window, where they sit, their colours, and that a picture of the window shows them.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ui/RecordingContext.h"
#include "platform/ui/WindowFrame.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

constexpr unsigned kFullStyle = kWindowStyleTitled | kWindowStyleClosable | kWindowStyleMiniaturizable |
                                kWindowStyleResizable | kWindowStyleFullSizeContentView;

class WindowFrameTest : public test::Fixture {
protected:
    std::shared_ptr<Window> titled(unsigned style) {
        auto w = window({100, 100, 300, 200}, style);
        w->setTitlebarAppearsTransparent(true);
        w->setBackgroundColor(Color::whiteColor());
        return w;
    }
    static size_t count(const DisplayList& list, const std::string& part) {
        return static_cast<size_t>(std::count_if(
            list.begin(), list.end(), [&](const std::string& line) { return line.find(part) == 0; }));
    }
};

TEST_F(WindowFrameTest, AFullSizeContentWindowShowsItsThreeButtonsAtTheTopLeftOverItsContent) {
    auto w = titled(kFullStyle);
    const auto buttons = titlebarButtonsOverContent(*w);
    ASSERT_EQ(buttons.size(), 3u);
    const Rect content = w->contentView()->bounds();
    const Window::StandardButton order[] = {
        Window::StandardButton::Close, Window::StandardButton::Miniaturize, Window::StandardButton::Zoom};
    for (size_t i = 0; i < buttons.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(buttons[i].kind, order[i]);
        EXPECT_TRUE(buttons[i].enabled);
        // In the title bar's strip at the top of the content, left to right, not touching each other.
        EXPECT_GE(buttons[i].frame.minY(), content.maxY() - Window::kTitleBarHeight);
        EXPECT_LE(buttons[i].frame.maxY(), content.maxY());
        EXPECT_GT(buttons[i].frame.minX(), i == 0 ? 0 : buttons[i - 1].frame.maxX());
        EXPECT_LT(buttons[i].frame.maxX(), 70);
    }
    EXPECT_EQ(titlebarButtonColor(buttons[0]).description(),
              Color::colorWithSRGBRed_green_blue_alpha(1, 95 / 255.0, 87 / 255.0, 1).description());

    RecordingContext context;
    drawWindowFrameOverContent(*w, context);
    EXPECT_EQ(count(context.displayList(), "fill"), 3u);  // a transparent bar: only the three buttons

    // A bar that is not transparent covers the strip with the window's ground first.
    w->setTitlebarAppearsTransparent(false);
    RecordingContext opaque;
    drawWindowFrameOverContent(*w, opaque);
    EXPECT_EQ(count(opaque.displayList(), "fill"), 5u);
}

TEST_F(WindowFrameTest, HiddenOrDisabledButtonsAndWindowsWithoutABarOverTheContent) {
    auto w = titled(kWindowStyleTitled | kWindowStyleClosable | kWindowStyleResizable |
                    kWindowStyleFullSizeContentView);
    auto buttons = titlebarButtonsOverContent(*w);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_FALSE(buttons[1].enabled);  // it cannot minimise: the button is there, greyed
    EXPECT_NE(titlebarButtonColor(buttons[1]),
              titlebarButtonColor({buttons[1].kind, buttons[1].frame, true}));
    w->setStandardButtonHidden(Window::StandardButton::Close, true);
    buttons = titlebarButtonsOverContent(*w);
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].kind, Window::StandardButton::Miniaturize);
    EXPECT_GT(buttons[0].frame.minX(), 20);  // the hidden button's place stays empty

    // The bar above the content (not full-size), or no bar at all: nothing over the content.
    EXPECT_TRUE(titlebarButtonsOverContent(*titled(kWindowStyleTitled | kWindowStyleClosable)).empty());
    EXPECT_TRUE(titlebarButtonsOverContent(*titled(kWindowStyleFullSizeContentView)).empty());
    RecordingContext nothing;
    drawWindowFrameOverContent(*titled(kWindowStyleTitled | kWindowStyleClosable), nothing);
    EXPECT_TRUE(nothing.displayList().empty());
}

TEST_F(WindowFrameTest, APictureOfTheWindowShowsTheButtonsOverTheContent) {
    auto w = titled(kFullStyle);
    const double scale = w->backingScaleFactor();
    const Bitmap picture = renderPNG(*w->contentView(), home() + "/window.png");
    const auto buttons = titlebarButtonsOverContent(*w);
    ASSERT_EQ(buttons.size(), 3u);
    const double height = w->contentView()->bounds().height();
    auto at = [&](Rect r) {
        return picture.rgbaAt(static_cast<int>(r.midX() * scale),
                              static_cast<int>((height - r.midY()) * scale));
    };
    const auto close = at(buttons[0].frame), zoom = at(buttons[2].frame);
    EXPECT_GT(close.r, 200);
    EXPECT_LT(close.g, 140);
    EXPECT_LT(zoom.r, 120);
    EXPECT_GT(zoom.g, 160);
    // Below the bar the content is untouched.
    const auto below =
        picture.rgbaAt(static_cast<int>(buttons[0].frame.midX() * scale), static_cast<int>(40 * scale));
    EXPECT_EQ(below.r, 255);
    EXPECT_EQ(below.g, 255);
}

}  // namespace
}  // namespace platform::ui
