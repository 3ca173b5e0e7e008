// Scale-to-fill, tinted pictures (down to their pixels), picture sequences.

#include <gtest/gtest.h>

#include "platform/ui/Nib.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/images/GifImageModel.h"
#include "uikit/images/GifImageView.h"
#include "uikit/images/ImageTintColor.h"
#include "uikit/images/KPCScaleToFillNSImageView.h"
#include "uikit/images/KSImageView.h"
#include "uikit/images/KSImageViewTintColor.h"

namespace kestrune {
namespace {

using ui::Rect;

class ImageViewsTest : public ui::test::Fixture {
protected:
    // The lines of a display list that draw a picture.
    static std::vector<std::string> imageLines(const ui::DisplayList& list) {
        std::vector<std::string> out;
        for (const auto& line : list)
            if (line.rfind("image ", 0) == 0) out.push_back(line);
        return out;
    }
};

TEST_F(ImageViewsTest, ScaleToFillTakesTheCentredPartThatCoversTheView) {
    EXPECT_EQ(KPCScaleToFillNSImageView::sourceRectForFill({100, 50}, {50, 50}), (Rect{25, 0, 50, 50}));
    EXPECT_EQ(KPCScaleToFillNSImageView::sourceRectForFill({100, 50}, {100, 25}), (Rect{0, 12.5, 100, 25}));
    EXPECT_TRUE(KPCScaleToFillNSImageView::sourceRectForFill({0, 50}, {50, 50}).isEmpty());
    EXPECT_TRUE(KPCScaleToFillNSImageView::sourceRectForFill({100, 50}, {50, 0}).isEmpty());

    auto w = window();
    auto view = KPCScaleToFillNSImageView::create({0, 0, 50, 50});
    view->setImageScaling(ui::ImageScaling::ProportionallyDown);  // ignored
    EXPECT_EQ(view->imageScaling(), ui::ImageScaling::AxesIndependently);
    w->contentView()->addSubview(view);
    auto photo = registerImage("photo", {100, 50});
    view->setImage(photo);
    EXPECT_NE(view->image(), photo);
    EXPECT_EQ(view->image()->size(), (ui::Size{50, 50}));
    EXPECT_EQ(imageLines(drawing(*view)),
              (std::vector<std::string>{"image photo in 0 0 50 50 from 25 0 50 50 copy 1"}));
    // The part follows the view's size at each drawing.
    view->setFrameSize({100, 25});
    EXPECT_EQ(imageLines(drawing(*view)),
              (std::vector<std::string>{"image photo in 0 0 100 25 from 0 12.5 100 25 copy 1"}));
    view->setFrameSize({0, 25});
    EXPECT_TRUE(imageLines(drawing(*view)).empty());
    view->setImage(nullptr);
    EXPECT_FALSE(view->image());
}

TEST_F(ImageViewsTest, ScaleToFillFromAnInterfaceLayoutStretchesToo) {
    ui::NibRegistry::add("Fill", [](ui::NibLoader& loader) {
        loader.addTopLevel(loader.make<KPCScaleToFillNSImageView>({0, 0, 10, 10}));
    });
    auto loaded = ui::Nib::loadFirst<KPCScaleToFillNSImageView>("Fill", nullptr);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->imageScaling(), ui::ImageScaling::AxesIndependently);
}

// A 4 x 4 picture: opaque red on the left half, half-transparent green on the right.
std::shared_ptr<ui::Image> twoHalves() {
    ui::Bitmap b;
    b.width = b.height = 4;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) b.pixels.push_back(x < 2 ? 0xffff0000u : 0x80008000u);
    auto image = ui::Image::createWithBitmap(b, {4, 4});
    image->setName("halves");
    return image;
}

TEST_F(ImageViewsTest, TintingReplacesColoursAndKeepsAlpha) {
    auto original = twoHalves();
    auto copy = imageTintedWithColor(original, std::nullopt);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy, original);  // a copy, never the picture itself
    EXPECT_EQ(copy->bitmap()->pixels, original->bitmap()->pixels);
    EXPECT_FALSE(imageTintedWithColor(nullptr, ui::Color::blueColor()));

    auto tinted =
        imageTintedWithColor(original, ui::Color::colorWithCalibratedRed_green_blue_alpha(0, 0, 1, 1));
    EXPECT_EQ(tinted->size(), original->size());
    EXPECT_EQ(tinted->name(), "halves");
    // Drawn over an opaque white ground: the tint stays on the picture's pixels.
    auto ground = ui::View::create({0, 0, 8, 4});
    ground->setWantsLayer(true);
    ground->layer()->setBackgroundColor(ui::Color::whiteColor());
    auto view = ui::ImageView::create({0, 0, 4, 4});
    view->setImage(tinted);
    ground->addSubview(view);
    const ui::Bitmap b = ui::CairoRenderer().renderView(*ground, ground->bounds(), 1);
    const auto left = b.rgbaAt(0, 1), right = b.rgbaAt(3, 1), beside = b.rgbaAt(6, 1);
    EXPECT_EQ(left.b, 255);
    EXPECT_EQ(left.r, 0);
    EXPECT_EQ(left.a, 255);
    EXPECT_NEAR(right.b, 255, 1);  // half blue over white
    EXPECT_NEAR(right.r, 127, 2);
    EXPECT_EQ(right.g, right.r);  // no green left of the picture's own colour
    EXPECT_EQ(beside.r, 255);     // the ground beside the picture is untouched
    EXPECT_EQ(beside.b, 255);
    EXPECT_EQ(beside.g, 255);

    // Alone, the half-transparent half keeps its alpha.
    const ui::Bitmap alone = ui::CairoRenderer().renderView(*view, view->bounds(), 1);
    EXPECT_NEAR(alone.rgbaAt(3, 1).a, 128, 1);
    EXPECT_EQ(alone.rgbaAt(3, 1).b, 255);
}

TEST_F(ImageViewsTest, BlackAndTintedImageViews) {
    auto picture = registerImage("icon", {8, 8});
    auto black = KSImageView::create({0, 0, 8, 8});
    black->setImage(picture);
    ASSERT_TRUE(black->image());
    EXPECT_TRUE(black->image()->drawingHandler());  // painted, not the picture itself

    auto tinted = KSImageViewTintColor::create({0, 0, 8, 8});
    tinted->setImage(picture);
    ASSERT_TRUE(tinted->image());
    EXPECT_FALSE(tinted->image()->drawingHandler());  // no tint: an untinted copy
    EXPECT_NE(tinted->image(), picture);
    tinted->updateImageForTintColor();
    EXPECT_FALSE(tinted->image()->drawingHandler());
    tinted->setTintColor(ui::Color::redColor());  // tints at once
    EXPECT_TRUE(tinted->image()->drawingHandler());

    auto w = window();
    w->contentView()->addSubview(tinted);
    const auto list = drawing(*tinted);
    const auto fill = std::find_if(
        list.begin(), list.end(), [](const std::string& l) { return l.rfind("fill rect(0 0 8 8)", 0) == 0; });
    ASSERT_NE(fill, list.end());
    EXPECT_NE(fill->find("sourceAtop"), std::string::npos) << *fill;
    EXPECT_NE(std::find(list.begin(), list.end(), "begin transparency layer"), list.end());
}

TEST_F(ImageViewsTest, NumberedNamesArePaddedToFourDigits) {
    EXPECT_EQ(numberedImageName("walk", 1), "walk0001.png");
    EXPECT_EQ(numberedImageName("walk", 123), "walk0123.png");
    EXPECT_EQ(numberedImageName("walk", 12345), "walk12345.png");
}

TEST_F(ImageViewsTest, ASequenceStepsRoundTheImagesItFound) {
    for (int i = 1; i <= 4; ++i)
        if (i != 3) registerImage(numberedImageName("walk", i), {4, 4});
    GifImageModel model;
    model.setImageWithName_startingAtIndex_endingAtIndex("walk", 1, 4);
    EXPECT_TRUE(logged("walk0003.png is missing"));
    ASSERT_EQ(model.numberOfImages(), 3);  // the missing one is left out, not kept empty
    for (const auto& image : model.arrayOfImages()) EXPECT_TRUE(image);
    EXPECT_EQ(model.currentImageIndex(), 0);
    EXPECT_EQ(model.getPreviousImage(), model.arrayOfImages()[2]);
    EXPECT_EQ(model.currentImageIndex(), 2);
    EXPECT_EQ(model.getNextImage(), model.arrayOfImages()[0]);
    EXPECT_EQ(model.getNextImage(), model.arrayOfImages()[1]);

    GifImageModel empty;
    empty.setImageWithName_startingAtIndex_endingAtIndex("walk", 5, 4);
    EXPECT_EQ(empty.numberOfImages(), 0);
    EXPECT_FALSE(empty.getNextImage());
    EXPECT_FALSE(empty.getPreviousImage());
    EXPECT_EQ(empty.currentImageIndex(), 0);
}

TEST_F(ImageViewsTest, APlayingSequenceShowsIndexOneFirstWrapsAndLivesUntilStopped) {
    for (int i = 1; i <= 3; ++i) registerImage(numberedImageName("spin", i), {4, 4});
    auto view = GifImageView::create({0, 0, 4, 4});
    view->setImageWithName_forSuffixStartingFrom_andEndingAt("spin", 1, 3);
    ASSERT_EQ(view->numberOfImages(), 3);
    const auto frames = view->arrayOfImages();
    view->startAnimating();
    view->startAnimating();  // restarts: still one timer
    EXPECT_EQ(platform::RunLoop::main().pendingTimerCount(), 1u);
    advance(0.039);
    EXPECT_FALSE(view->image());
    advance(0.001);
    EXPECT_EQ(view->image(), frames[1]);
    EXPECT_EQ(view->currentImageIndex(), 1);
    advance(0.08);
    EXPECT_EQ(view->image(), frames[0]);  // round again

    std::weak_ptr<GifImageView> weak = view;
    view.reset();
    advance(0.04);
    auto playing = weak.lock();
    ASSERT_TRUE(playing);  // the timer keeps it
    EXPECT_EQ(playing->image(), frames[1]);
    playing->stopAnimating();
    EXPECT_FALSE(playing->isAnimating());
    playing.reset();
    settle();
    EXPECT_TRUE(weak.expired());

    auto none = GifImageView::create({0, 0, 4, 4});
    none->startAnimating();
    advance(0.2);
    EXPECT_EQ(none->currentImageIndex(), 0);
    EXPECT_FALSE(none->image());
    none->stopAnimating();
}

}  // namespace
}  // namespace kestrune
