// Pixels through the Cairo renderer, probed at points the geometry fixes; PNG coding.

#include <gtest/gtest.h>

#include "platform/storage/Files.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Screen.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class Painted : public View {
public:
    std::function<void(GraphicsContext&)> paint;
    void drawRect(Rect) override {
        if (paint) paint(*GraphicsContext::current());
    }
};

std::shared_ptr<Painted> painted(Rect frame, std::function<void(GraphicsContext&)> paint) {
    auto v = make<Painted>(frame);
    v->paint = std::move(paint);
    return v;
}

Bitmap solid(int w, int h, uint32_t argb) {
    Bitmap b;
    b.width = w;
    b.height = h;
    b.pixels.assign(static_cast<size_t>(w) * h, argb);
    return b;
}

class CairoRenderingTest : public test::Fixture {
protected:
    // One pixel per point; y counted from the top row.
    Bitmap render(View& view) { return CairoRenderer().renderView(view, view.bounds(), 1); }
};

TEST_F(CairoRenderingTest, AFilledRectangleLandsWhereItsGeometrySays) {
    auto view = painted({0, 0, 40, 30}, [](GraphicsContext& c) {
        c.setFillColor(Color::colorWithCalibratedRed_green_blue_alpha(1, 0, 0, 1));
        c.fillRect({10, 5, 20, 10});  // y up: rows 15..24 from the top
    });
    const Bitmap b = render(*view);
    ASSERT_EQ(b.width, 40);
    ASSERT_EQ(b.height, 30);
    const auto inside = b.rgbaAt(20, 20);
    EXPECT_EQ(inside.r, 255);
    EXPECT_EQ(inside.a, 255);
    EXPECT_EQ(b.rgbaAt(20, 10).a, 0);  // above it
    EXPECT_EQ(b.rgbaAt(5, 20).a, 0);   // left of it
}

TEST_F(CairoRenderingTest, AlphaHiddenAndFlippedAreHonoured) {
    auto parent = View::create({0, 0, 40, 30});
    auto fill = [](GraphicsContext& c) {
        c.setFillColor(Color::redColor());
        c.fillRect({0, 0, 10, 10});
    };
    auto faded = painted({0, 0, 40, 30}, fill);
    faded->setAlphaValue(0.5);
    auto hidden = painted({20, 0, 20, 30}, fill);
    hidden->setHidden(true);
    parent->addSubview(faded);
    parent->addSubview(hidden);
    Bitmap b = render(*parent);
    EXPECT_NEAR(b.rgbaAt(5, 25).a, 128, 1);  // the bottom-left corner, half transparent
    EXPECT_EQ(b.rgbaAt(25, 25).a, 0);

    class Flipped : public Painted {
    public:
        bool isFlipped() const override { return true; }
    };
    auto flipped = make<Flipped>(Rect{0, 0, 40, 30});
    flipped->paint = fill;
    b = render(*flipped);
    EXPECT_EQ(b.rgbaAt(5, 5).r, 255);  // y grows downward: the top-left corner
    EXPECT_EQ(b.rgbaAt(5, 25).a, 0);
}

TEST_F(CairoRenderingTest, ALayersShadowFallsOutsideItsViewByItsOffset) {
    auto parent = View::create({0, 0, 80, 80});
    auto card = View::create({20, 20, 40, 40});
    card->setWantsLayer(true);
    card->layer()->setBackgroundColor(Color::whiteColor());
    card->layer()->setShadowOpacity(1);
    card->layer()->setShadowRadius(0);
    card->layer()->setShadowOffset({0, -10});  // 10 points down
    parent->addSubview(card);
    const Bitmap b = render(*parent);
    auto at = [&](int x, int yUp) { return b.rgbaAt(x, 79 - yUp); };
    EXPECT_EQ(at(40, 15).a, 255);  // below the card: shadow
    EXPECT_EQ(at(40, 15).r, 0);
    EXPECT_EQ(at(40, 40).r, 255);  // the card itself
    EXPECT_EQ(at(40, 65).a, 0);    // above it: nothing
}

TEST_F(CairoRenderingTest, GradientsRunAlongTheirAngle) {
    auto view = painted({0, 0, 100, 10}, [](GraphicsContext& c) {
        c.drawLinearGradient({{{0, Color::redColor()}, {1, Color::blueColor()}}},
                             BezierPath::bezierPathWithRect({0, 0, 100, 10}), 0);
    });
    const Bitmap b = render(*view);
    EXPECT_GT(b.rgbaAt(1, 5).r, 240);
    EXPECT_LT(b.rgbaAt(1, 5).b, 15);
    EXPECT_GT(b.rgbaAt(98, 5).b, 240);
    EXPECT_NEAR(b.rgbaAt(50, 5).r, 127, 4);
}

TEST_F(CairoRenderingTest, ARoundedLayerClipsItsCornersAndItsSubviews) {
    auto card = View::create({0, 0, 40, 40});
    card->setWantsLayer(true);
    card->layer()->setBackgroundColor(Color::blueColor());
    card->layer()->setCornerRadius(10);
    card->layer()->setMasksToBounds(true);
    card->addSubview(painted({0, 0, 40, 40}, [](GraphicsContext& c) {
        c.setFillColor(Color::greenColor());
        c.fillRect({0, 0, 40, 40});
    }));
    const Bitmap b = render(*card);
    EXPECT_EQ(b.rgbaAt(1, 1).a, 0);  // the corner is cut, subview included
    EXPECT_EQ(b.rgbaAt(38, 38).a, 0);
    EXPECT_EQ(b.rgbaAt(20, 20).g, 255);
    EXPECT_EQ(b.rgbaAt(20, 1).g, 255);  // the straight edge is not
}

TEST_F(CairoRenderingTest, AnImageCompositedAtHalfFractionIsHalfTransparent) {
    auto image = Image::createWithBitmap(solid(4, 4, 0xffff0000), {4, 4});
    auto view = painted({0, 0, 8, 8}, [&](GraphicsContext& c) {
        c.drawImage(*image, {0, 0, 8, 8}, {}, CompositingOperation::SourceOver, 0.5);
    });
    const auto p = render(*view).rgbaAt(4, 4);
    EXPECT_NEAR(p.a, 128, 1);
    EXPECT_EQ(p.r, 255);
    EXPECT_EQ(p.g, 0);
}

TEST_F(CairoRenderingTest, TextInksInsideItsRectangle) {
    const Rect textRect{10, 10, 80, 30};
    auto view = painted({0, 0, 100, 60}, [&](GraphicsContext&) {
        AttributedString("MMMM", TextAttributes::withFont(Font::systemFontOfSize(20), Color::blackColor()))
            .drawInRect(textRect);
    });
    const Bitmap b = render(*view);
    int inside = 0, outside = 0;
    for (int y = 0; y < b.height; ++y) {
        for (int x = 0; x < b.width; ++x) {
            if (b.rgbaAt(x, y).a < 128) continue;
            // Rows from the top: the rectangle covers rows 60 − 40 .. 60 − 10.
            const bool in = x >= 10 && x < 90 && y >= 20 && y < 50;
            (in ? inside : outside)++;
        }
    }
    EXPECT_GT(inside, 100);
    EXPECT_EQ(outside, 0);
}

TEST_F(CairoRenderingTest, ARotatedViewIsSnapshotWhereItsTurnedFrameLies) {
    auto w = window({0, 0, 100, 100});
    Screen::setScreensForTesting({{{0, 0, 1440, 900}, 1}});
    auto child = painted({30, 40, 40, 20}, [](GraphicsContext& c) {
        c.setFillColor(Color::blackColor());
        c.fillRect({0, 0, 40, 20});
    });
    child->setFrameRotation(90);  // about its origin: now x 10..30, y 40..80
    w->contentView()->addSubview(child);
    auto image = w->contentView()->bitmapImageRepForCachingDisplayInRect(w->contentView()->bounds());
    Renderer::install(std::make_shared<CairoRenderer>());
    w->contentView()->cacheDisplayInRect_toBitmapImageRep(w->contentView()->bounds(), image);
    ASSERT_TRUE(image->bitmap());
    const Bitmap& b = *image->bitmap();
    ASSERT_EQ(b.width, 100);
    auto dark = [&](int x, int yUp) { return b.rgbaAt(x, 99 - yUp).r < 64; };
    EXPECT_TRUE(dark(20, 60));
    EXPECT_TRUE(dark(12, 78));
    EXPECT_FALSE(dark(50, 50));  // where it stood unturned
    EXPECT_FALSE(dark(35, 60));
    EXPECT_FALSE(dark(20, 35));
}

TEST_F(CairoRenderingTest, PNGRoundTripKeepsPixelsAndRefusesGarbage) {
    Renderer::install(std::make_shared<CairoRenderer>());
    Bitmap b = solid(3, 2, 0xff102030);
    b.pixels[4] = 0x80400000;  // half transparent, premultiplied
    auto image = Image::createWithBitmap(b, {3, 2});
    const std::string path = home() + "/round.png";
    ASSERT_TRUE(image->writePNGToFile(path));
    auto back = Image::initWithContentsOfFile(path);
    ASSERT_TRUE(back && back->bitmap());
    EXPECT_EQ(back->size(), Size(3, 2));
    EXPECT_EQ(back->bitmap()->pixels, b.pixels);

    EXPECT_FALSE(Image::initWithData({'n', 'o', 't', ' ', 'p', 'n', 'g'}));
    EXPECT_FALSE(Image::initWithContentsOfFile(home() + "/missing.png"));
    ASSERT_TRUE(
        platform::Files::writeAtomically(home() + "/bad.png", platform::Data::fromString("\x89PNG broken")));
    EXPECT_FALSE(Image::initWithContentsOfFile(home() + "/bad.png"));
    EXPECT_TRUE(logged("bad.png is not a readable PNG image"));
}

TEST_F(CairoRenderingTest, TheGalleryRendersOnePicturePerSceneAtTheScreensScale) {
    CairoRenderer::installAsBackend();
    registerControlGallery();
    const std::string dir = home() + "/snapshots";
    EXPECT_EQ(SceneRegistry::renderAll(dir, {}), 0);
    const auto names = SceneRegistry::names();
    ASSERT_EQ(names.size(), 5u);
    for (const auto& name : names) {
        auto picture = Image::initWithContentsOfFile(dir + "/" + name + ".png");
        ASSERT_TRUE(picture) << name;
        EXPECT_EQ(picture->bitmap()->width % 2, 0) << name;  // two pixels per point
    }
    EXPECT_EQ(SceneRegistry::renderAll(dir, {"gallery-buttons", "no-such-scene"}), 1);
    EXPECT_TRUE(logged("no scene named no-such-scene"));
}

TEST_F(CairoRenderingTest, FixtureWritesAViewAsPNG) {
    auto view = painted({0, 0, 10, 10}, [](GraphicsContext& c) {
        c.setFillColor(Color::whiteColor());
        c.fillRect({0, 0, 10, 10});
    });
    const Bitmap b = renderPNG(*view, home() + "/view.png");
    EXPECT_EQ(b.width, 20);  // the main screen's scale of 2
    EXPECT_TRUE(platform::Files::exists(home() + "/view.png"));
}

}  // namespace
}  // namespace platform::ui
