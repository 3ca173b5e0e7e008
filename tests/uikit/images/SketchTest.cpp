// Pictures drawn on a design grid: y down from the top in flipped and unflipped views alike, the design's
// proportions kept and centred in any rectangle.

#include <gtest/gtest.h>

#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/images/Sketch.h"

namespace {

// Draws its image into the whole of its bounds.
class Canvas : public ui::View {
public:
    bool flipped = false;
    std::shared_ptr<ui::Image> image;
    bool isFlipped() const override { return flipped; }
    void drawRect(ui::Rect) override { image->drawInRect(bounds()); }
};

class SketchTest : public ui::test::Fixture {
protected:
    // A 40 by 40 design: a red band along its top ten units, a blue square in its bottom-left corner.
    static std::shared_ptr<ui::Image> design() {
        return kestrune::Sketch::image({40, 40}, [](kestrune::Sketch& s) {
            s.fillBox(0, 0, 40, 10, 0, ui::Color::redColor());
            s.fillBox(0, 30, 10, 10, 0, ui::Color::blueColor());
        });
    }
    static ui::Bitmap render(ui::Rect frame, bool flipped) {
        auto canvas = ui::make<Canvas>(frame);
        canvas->flipped = flipped;
        canvas->image = design();
        return ui::CairoRenderer().renderView(*canvas, canvas->bounds(), 1);
    }
};

TEST_F(SketchTest, TheDesignsTopIsAtTheTopWhateverTheViewsOrientation) {
    for (bool flipped : {false, true}) {
        SCOPED_TRACE(flipped);
        const auto b = render({0, 0, 40, 40}, flipped);
        EXPECT_EQ(b.rgbaAt(20, 5).r, 255);  // the band, in the top rows
        EXPECT_EQ(b.rgbaAt(20, 35).a, 0);
        EXPECT_EQ(b.rgbaAt(5, 35).b, 255);  // the square, bottom left
        EXPECT_EQ(b.rgbaAt(35, 35).a, 0);
    }
}

TEST_F(SketchTest, ARectangleOfAnotherShapeGetsTheDesignUnstretchedInItsMiddle) {
    // Twice as wide as tall: the design is 40 by 40 from x = 20.
    const auto wide = render({0, 0, 80, 40}, false);
    EXPECT_EQ(wide.rgbaAt(18, 5).a, 0);
    EXPECT_EQ(wide.rgbaAt(22, 5).r, 255);
    EXPECT_EQ(wide.rgbaAt(58, 5).r, 255);
    EXPECT_EQ(wide.rgbaAt(62, 5).a, 0);
    EXPECT_EQ(wide.rgbaAt(25, 35).b, 255);
    // Twice as tall as wide, flipped: the design is 40 by 40 from y = 20 down.
    const auto tall = render({0, 0, 40, 80}, true);
    EXPECT_EQ(tall.rgbaAt(20, 18).a, 0);
    EXPECT_EQ(tall.rgbaAt(20, 22).r, 255);
    EXPECT_EQ(tall.rgbaAt(5, 55).b, 255);
    EXPECT_EQ(tall.rgbaAt(5, 62).a, 0);
}

}  // namespace
