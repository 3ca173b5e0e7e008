// The panel's pictures drawn by code, in pixels: the phone in its two states, the knock's ripple whole in
// the frame it grows to, and the account picture filling its square.

#include <gtest/gtest.h>

#include "engine/coordinator/ShieldArtwork.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Layer.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace {

using platform::ui::Bitmap;

class ShieldArtworkTest : public ui::test::Fixture {
protected:
    // The picture in an image view of the frame's size that scales it as the panel does, one pixel a
    // point, y counted from the top row.
    Bitmap render(const std::shared_ptr<ui::Image>& image, ui::Size size, bool clipped = false) {
        auto view = ui::ImageView::create({0, 0, size.width, size.height});
        view->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
        view->setImage(image);
        if (clipped) {
            view->setWantsLayer(true);
            view->layer()->setMasksToBounds(true);
        }
        return ui::CairoRenderer().renderView(*view, view->bounds(), 1);
    }
};

TEST_F(ShieldArtworkTest, ThePhoneIsAWholeDarkPhoneWithItsStatesSignGreenOrGrey) {
    kestrune::registerShieldArtwork();
    auto connected = ui::Image::imageNamed("connected");
    auto away = ui::Image::imageNamed("disconnected");
    ASSERT_TRUE(connected && away);
    EXPECT_EQ(connected->size(), (ui::Size{80, 130}));
    const Bitmap on = render(connected, {80, 130}), off = render(away, {80, 130});
    // The sign in the middle of the screen (40, 66 from the top): green, or a grey without colour.
    const auto sign = on.rgbaAt(32, 62), greySign = off.rgbaAt(32, 62);
    EXPECT_GT(sign.g, sign.r + 100);
    EXPECT_LT(std::abs(greySign.g - greySign.r), 20);
    EXPECT_GT(greySign.a, 200);
    // Not an outline: the screen above and below the sign is painted, dark.
    for (int y : {30, 100}) {
        const auto screen = on.rgbaAt(40, y);
        EXPECT_EQ(screen.a, 255) << y;
        EXPECT_LT(screen.r, 80) << y;
    }
    // Its white edge, and nothing outside the body.
    EXPECT_GT(on.rgbaAt(11, 65).r, 200);
    EXPECT_EQ(on.rgbaAt(4, 65).a, 0);
}

TEST_F(ShieldArtworkTest, TheRippleIsAWholeRingInTheFrameItGrowsTo) {
    kestrune::registerShieldArtwork();
    auto ripple = ui::Image::imageNamed("empty");
    ASSERT_TRUE(ripple);
    // The knock's last frame for the panel's picture: 160 by 210, clipped to its bounds as the panel's is.
    const Bitmap b = render(ripple, {160, 210}, true);
    // The ring is 160 across, centred: its top, bottom, left and right all show.
    auto inked = [&](int x, int y) {
        int most = 0;
        for (int dy = -3; dy <= 3; ++dy) most = std::max(most, b.rgbaAt(x, y + dy).a);
        return most;
    };
    EXPECT_GT(inked(80, 28), 200);   // top
    EXPECT_GT(inked(80, 181), 200);  // bottom: round, not cut
    EXPECT_GT(b.rgbaAt(2, 105).a + b.rgbaAt(3, 105).a, 200);
    EXPECT_GT(b.rgbaAt(157, 105).a + b.rgbaAt(156, 105).a, 200);
    EXPECT_EQ(b.rgbaAt(80, 105).a, 0);  // a ring, clear in the middle
}

TEST_F(ShieldArtworkTest, TheAccountPictureFillsItsSquareWithAHeadAndShoulders) {
    auto picture = kestrune::drawnAccountPicture();
    ASSERT_TRUE(picture);
    const Bitmap b = render(picture, {96, 96});
    for (auto [x, y] : {std::pair{0, 0}, {95, 0}, {0, 95}, {95, 95}}) EXPECT_EQ(b.rgbaAt(x, y).a, 255);
    const auto head = b.rgbaAt(48, 30), beside = b.rgbaAt(10, 30), shoulders = b.rgbaAt(48, 90);
    EXPECT_GT(head.r, beside.r + 40);
    EXPECT_GT(shoulders.r, beside.r + 40);
}

}  // namespace
