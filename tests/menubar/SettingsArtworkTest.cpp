// The settings pages' pictures drawn by code: the players' picture names them, the clipboard picture
// keeps its proportions, and the Bluetooth animation is drawn sharp at any size.

#include <gtest/gtest.h>

#include <algorithm>

#include "menubar/SettingsArtwork.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/RecordingContext.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace {

class SettingsArtworkTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        kestrune::registerSettingsArtwork();
    }
    // The picture drawn into the rectangle, as recorded.
    static ui::DisplayList recorded(const std::string& name, ui::Rect destination) {
        ui::RecordingContext context;
        ui::GraphicsContext::Scope scope(&context);
        auto image = ui::Image::imageNamed(name);
        if (image) image->drawInRect(destination);
        return context.displayList();
    }
};

TEST_F(SettingsArtworkTest, ThePlayersPictureShowsEachPlayerWithItsName) {
    const auto list = recorded("Dock", {0, 0, 288, 72});
    for (const char* player : {"iTunes", "Spotify", "VLC", "QuickTime"})
        EXPECT_TRUE(std::any_of(list.begin(), list.end(), [&](const std::string& l) {
            return l.rfind("text \"" + std::string(player), 0) == 0;
        })) << player;
    // Four marks of four colours, not one sign repeated.
    std::vector<std::string> colours;
    for (const auto& l : list)
        if (l.rfind("fill oval(", 0) == 0) colours.push_back(l.substr(l.rfind(' ')));
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    EXPECT_GE(colours.size(), 5u);  // four discs and the white of the marks
}

TEST_F(SettingsArtworkTest, TheClipboardPictureKeepsItsProportionsInAnyRectangle) {
    // A row far wider than the picture, and one far taller: the drawing stays inside, centred, unstretched.
    for (ui::Rect row : {ui::Rect{0, 0, 1200, 300}, ui::Rect{0, 0, 300, 900}}) {
        SCOPED_TRACE(row.width());
        auto image = ui::Image::imageNamed("initial_clipboard");
        ASSERT_TRUE(image);
        auto view = ui::ImageView::create(row);
        view->setImageScaling(ui::ImageScaling::AxesIndependently);  // the worst a cell could do
        view->setImage(image);
        const auto b = ui::CairoRenderer().renderView(*view, view->bounds(), 1);
        int left = b.width, right = -1, top = b.height, bottom = -1;
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                if (b.rgbaAt(x, y).a > 128)
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                    bottom = std::max(bottom, y);
        ASSERT_GE(right, 0);
        const double inkWidth = right - left + 1, inkHeight = bottom - top + 1;
        // Its ink is 440 by 180 on a 480 by 240 design: the same shape whatever the row.
        EXPECT_NEAR(inkWidth / inkHeight, 440.0 / 180, 0.15);
        EXPECT_NEAR((left + right) / 2.0, row.width() / 2, 3);
        EXPECT_NEAR((top + bottom) / 2.0, row.height() / 2, row.height() / 20);
    }
}

TEST_F(SettingsArtworkTest, TheBluetoothAnimationIsEightDrawnPicturesSharpAtTwiceTheirSize) {
    auto animation = ui::Image::imageNamed("BT.gif");
    ASSERT_TRUE(animation);
    ASSERT_EQ(animation->animationFrames().size(), 8u);
    EXPECT_EQ(animation->size(), (ui::Size{120, 120}));
    // The rings move from one picture to the next.
    auto frame = [&](size_t i) {
        auto view = ui::ImageView::create({0, 0, 240, 240});
        view->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
        view->setImage(animation->animationFrames()[i]);
        return ui::CairoRenderer().renderView(*view, view->bounds(), 1);
    };
    const auto first = frame(0), fifth = frame(4);
    EXPECT_NE(first.pixels, fifth.pixels);
    // Shown twice its size, the blue disc's edge (radius 48 about the centre; in the fifth picture the
    // nearest ring is beyond 60) passes from clear to solid within two pixels, as a drawing does and a
    // doubled bitmap does not.
    int soft = 0;
    for (int x = 120 - 60; x < 120 - 40; ++x) {
        const auto p = fifth.rgbaAt(x, 120);
        if (p.a > 30 && p.a < 225) ++soft;
    }
    EXPECT_LE(soft, 2);
    EXPECT_GT(fifth.rgbaAt(120 - 44, 120).a, 250);
    EXPECT_EQ(fifth.rgbaAt(120 - 55, 120).a, 0);
}

}  // namespace
