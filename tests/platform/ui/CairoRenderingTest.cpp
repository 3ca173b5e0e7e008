// Pixels through the Cairo renderer, probed at points the geometry fixes; PNG coding.

#include <gtest/gtest.h>

#include <cmath>

#include "platform/storage/Files.h"
#include "platform/ui/Button.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TextField.h"
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

TEST_F(CairoRenderingTest, ABlurredShadowFadesSmoothlyAwayFromItsEdge) {
    auto parent = View::create({0, 0, 100, 100});
    auto card = View::create({30, 40, 40, 40});
    card->setWantsLayer(true);
    card->layer()->setBackgroundColor(Color::whiteColor());
    card->layer()->setShadowOpacity(1);
    card->layer()->setShadowRadius(4);
    card->layer()->setShadowOffset({0, -3});
    parent->addSubview(card);
    const Bitmap b = render(*parent);
    // The card covers rows 20..59; its shadow's own edge lies 3 lower, between rows 62 and 63.
    EXPECT_EQ(b.rgbaAt(50, 50).r, 255);
    EXPECT_NEAR(b.rgbaAt(50, 62).a, 128, 40);  // half dark right at the shape's edge
    for (int row = 60; row < 70; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(b.rgbaAt(50, row).r, 0);  // a black shadow, fainter with distance
        EXPECT_GT(b.rgbaAt(50, row).a, b.rgbaAt(50, row + 1).a);
    }
    EXPECT_GT(b.rgbaAt(50, 70).a, 0);
    EXPECT_EQ(b.rgbaAt(50, 85).a, 0);  // gone well before 3 radii
    // Beside the card it spreads a little, and it falls downwards: two points above the card it is
    // much fainter than two points below it.
    EXPECT_GT(b.rgbaAt(28, 50).a, 0);
    EXPECT_LT(b.rgbaAt(50, 18).a, b.rgbaAt(50, 61).a / 2);
}

TEST_F(CairoRenderingTest, ATickedCheckBoxShowsATickNotADot) {
    auto check = Button::create({0, 0, 40, 20});
    check->setButtonType(ButtonType::Switch);
    check->setState(kStateOn);
    // Four pixels a point; the 14-point box spans points 2..16 across and 3..17 down from the top.
    const Bitmap b = CairoRenderer().renderView(*check, check->bounds(), 4);
    auto at = [&](double fx, double fy) {  // a point of the box, as fractions from its top left
        return b.rgbaAt(static_cast<int>((2 + 14 * fx) * 4), static_cast<int>((3 + 14 * fy) * 4));
    };
    auto white = [](Bitmap::RGBA p) { return p.r > 220 && p.g > 220 && p.b > 220; };
    auto blue = [](Bitmap::RGBA p) { return p.b > 150 && p.r < 80; };
    EXPECT_TRUE(white(at(0.34, 0.62))) << "the short stroke";
    EXPECT_TRUE(white(at(0.69, 0.37))) << "the long stroke, away from the middle";
    EXPECT_TRUE(blue(at(0.41, 0.41))) << "beside the middle, where a dot would be";
    EXPECT_TRUE(blue(at(0.75, 0.75)));

    check->setState(kStateOff);
    const Bitmap off = CairoRenderer().renderView(*check, check->bounds(), 4);
    EXPECT_TRUE(white(off.rgbaAt(static_cast<int>(12.3 * 4), static_cast<int>(8.2 * 4))));
    EXPECT_FALSE(white(b.rgbaAt(static_cast<int>(2.5 * 4), static_cast<int>(10 * 4))));  // filled box
}

// Ink rows (darker than mid grey) inside the rectangle, first and last; none when there is no ink.
std::optional<std::pair<int, int>> inkRows(const Bitmap& b, int x0, int y0, int x1, int y1) {
    std::optional<std::pair<int, int>> rows;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const auto p = b.rgbaAt(x, y);
            if (p.a > 128 && p.r < 128) {
                if (!rows) rows = std::pair{y, y};
                rows->second = y;
            }
        }
    return rows;
}

TEST_F(CairoRenderingTest, AFieldCentresItsLineAndALabelKeepsItsDescenders) {
    CairoRenderer::installAsBackend();
    for (double height : {22.0, 40.0}) {
        SCOPED_TRACE(height);
        auto field = TextField::create({0, 0, 200, height});
        field->setStringValue("Editable");
        const Bitmap b = CairoRenderer().renderView(*field, field->bounds(), 4);
        const auto ink = inkRows(b, 8, 8, b.width - 8, b.height - 8);
        ASSERT_TRUE(ink);
        const double middle = (ink->first + ink->second + 1) / 2.0 / 4;
        EXPECT_NEAR(middle, height / 2, 1.0);
    }

    const AttributedString text("gypsy jumpy", TextAttributes::withFont(Font::systemFontOfSize(13)));
    auto free = painted({0, 0, 200, 60}, [&](GraphicsContext&) { text.drawInRect({10, 10, 180, 40}); });
    const auto whole = inkRows(render(*free), 0, 0, 200, 60);
    auto label = TextField::labelWithString("gypsy jumpy");
    const Bitmap b = render(*label);
    const auto drawn = inkRows(b, 0, 0, b.width, b.height);
    ASSERT_TRUE(whole);
    ASSERT_TRUE(drawn);
    EXPECT_EQ(drawn->second - drawn->first, whole->second - whole->first) << "descenders cut off";
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

// An image read from PNG bytes takes its size from the header and is decoded only when its pixels are
// first asked for, once for the image and its copies; a body that cannot be decoded gives no pixels.
TEST_F(CairoRenderingTest, PNGImagesDecodeWhenTheirPixelsAreFirstAsked) {
    struct CountingRenderer : CairoRenderer {
        int decodes = 0;
        std::optional<Bitmap> decodePNG(const std::vector<uint8_t>& bytes) override {
            ++decodes;
            return CairoRenderer::decodePNG(bytes);
        }
    };
    auto renderer = std::make_shared<CountingRenderer>();
    Renderer::install(renderer);
    auto png = renderer->encodePNG(solid(5, 4, 0xff336699));
    ASSERT_TRUE(png);

    auto image = Image::initWithData(*png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), Size(5, 4));
    EXPECT_EQ(renderer->decodes, 0);
    const Image copy = *image;
    ASSERT_TRUE(copy.bitmap());
    EXPECT_EQ(copy.bitmap()->pixelAt(4, 3), 0xff336699u);
    ASSERT_TRUE(image->bitmap());
    EXPECT_EQ(image->bitmap()->width, 5);
    EXPECT_EQ(renderer->decodes, 1);
    ASSERT_TRUE(image->pngRepresentation());

    // The header is whole, the pixels are not.
    std::vector<uint8_t> broken(png->begin(), png->begin() + 33);
    broken.resize(60, 0x5a);
    auto damaged = Image::initWithData(broken);
    ASSERT_TRUE(damaged);
    EXPECT_EQ(damaged->size(), Size(5, 4));
    EXPECT_FALSE(damaged->bitmap());
    EXPECT_FALSE(damaged->pngRepresentation());
    EXPECT_TRUE(logged("could not be decoded"));
    // A header naming no pixels is refused at once.
    std::vector<uint8_t> empty(png->begin(), png->end());
    std::fill(empty.begin() + 16, empty.begin() + 24, 0);
    EXPECT_FALSE(Image::initWithData(empty));
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

    // The disc picture has a smooth rim: each pixel near it is covered about as much as the circle
    // covers it (its red is 30 inside, the window's 236 outside). A disc of whole pixels, scaled up,
    // shows steps.
    auto sliders = Image::initWithContentsOfFile(dir + "/gallery-sliders.png")->bitmap();
    const double cx = 480, cy = 280, radius = 80;
    double worst = 0;
    for (int y = 190; y < 370; ++y)
        for (int x = 390; x < 570; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (std::abs(d - radius) > 3) continue;
            const double covered = (236.0 - sliders->rgbaAt(x, y).r) / (236 - 30);
            worst = std::max(worst, std::abs(covered - std::clamp(radius - d + 0.5, 0.0, 1.0)));
        }
    EXPECT_LT(worst, 0.5);

    // The list's stripes reach the scroller (it starts 184 points in, at pixel 368).
    auto list = Image::initWithContentsOfFile(dir + "/gallery-scrolling.png")->bitmap();
    EXPECT_EQ(list->rgbaAt(360, 70).r, list->rgbaAt(100, 70).r);
    EXPECT_LT(list->rgbaAt(360, 70).r, 250);
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
