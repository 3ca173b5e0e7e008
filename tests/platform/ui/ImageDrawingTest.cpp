// Pictures drawn by code, transparency layers and names with their file type.

#include <gtest/gtest.h>

#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class ImageDrawingTest : public test::Fixture {};

class Painted : public View {
public:
    std::function<void()> paint;
    void drawRect(Rect) override {
        if (paint) paint();
    }
};

TEST_F(ImageDrawingTest, ACodeDrawnImageRunsItsHandlerOnItsOwnLayerClippedToTheDestination) {
    std::vector<Rect> asked;
    auto image = Image::imageWithSize_flipped_drawingHandler({4, 4}, false, [&](Rect destination) {
        asked.push_back(destination);
        auto* c = GraphicsContext::current();
        c->setFillColor(Color::redColor());
        c->fillRect(destination);
        return true;
    });
    auto w = window();
    auto view = make<Painted>(Rect{0, 0, 20, 20});
    view->paint = [&] {
        image->drawInRect_fromRect_operation_fraction({2, 3, 8, 8}, {}, CompositingOperation::Copy, 0.5);
    };
    w->contentView()->addSubview(view);
    EXPECT_EQ(drawing(*view),
              (DisplayList{"save", "clip rect(2 3 8 8)", "alpha 0.5", "begin transparency layer",
                           "fill rect(2 3 8 8) " + Color::redColor().description(), "end transparency layer",
                           "restore"}));
    EXPECT_EQ(asked, (std::vector<Rect>{{2, 3, 8, 8}}));
}

TEST_F(ImageDrawingTest, ATransparencyLayerCompositesAsOneWithTheAlphaAtItsBegin) {
    auto view = make<Painted>(Rect{0, 0, 10, 10});
    view->paint = [] {
        auto* c = GraphicsContext::current();
        c->setFillColor(Color::blueColor());
        c->fillRect({0, 0, 10, 10});
        c->setAlpha(0.5);
        c->beginTransparencyLayer();
        // Two overlapping opaque fills inside: one layer of half alpha, not two.
        c->setFillColor(Color::redColor());
        c->fillRect({0, 0, 10, 10});
        c->fillRect({0, 0, 5, 10});
        // Atop inside the layer reaches only the layer's own pixels.
        c->setCompositingOperation(CompositingOperation::SourceAtop);
        c->setFillColor(Color::greenColor());
        c->fillRect({0, 0, 2, 10});
        c->endTransparencyLayer();
    };
    const Bitmap b = CairoRenderer().renderView(*view, view->bounds(), 1);
    EXPECT_EQ(b.rgbaAt(7, 5).a, 255);
    EXPECT_NEAR(b.rgbaAt(7, 5).r, 128, 2);
    EXPECT_NEAR(b.rgbaAt(7, 5).b, 127, 2);
    EXPECT_EQ(b.pixelAt(3, 5), b.pixelAt(7, 5));
    EXPECT_NEAR(b.rgbaAt(1, 5).g, 128, 2);
    EXPECT_EQ(b.rgbaAt(1, 5).r, 0);
}

TEST_F(ImageDrawingTest, NamesMayCarryTheirFileType) {
    auto image = registerImage("walk0001", {3, 3});
    EXPECT_EQ(Image::imageNamed("walk0001.png"), image);
    auto typed = registerImage("run0001.png", {3, 3});
    EXPECT_EQ(Image::imageNamed("run0001.png"), typed);
    EXPECT_FALSE(Image::imageNamed("none0001.png"));
}

}  // namespace
}  // namespace platform::ui
