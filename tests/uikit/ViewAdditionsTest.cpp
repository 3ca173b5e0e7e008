// Additions to every view and window: looks, slide frames, timed changes, spinning, centring, pictures.

#include <gtest/gtest.h>

#include <cmath>

#include "platform/ui/AnimationContext.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Screen.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ImageRepresentation.h"
#include "uikit/views/MyNSWindow.h"
#include "uikit/views/RoundedCorners.h"
#include "uikit/views/ViewAdditions.h"
#include "uikit/views/ViewAnimations.h"
#include "uikit/views/WindowHelper.h"

namespace kestrune {
namespace {

using ui::Rect;

class ViewAdditionsTest : public ui::test::Fixture {};

TEST_F(ViewAdditionsTest, SlideFramesFollowTheDirectionAndFallBackForUnknownOnes) {
    auto view = ui::View::create({10, 20, 100, 60});
    const Rect up{0, 30, 100, 60}, down{0, -30, 100, 60}, left{-50, 0, 100, 60}, right{50, 0, 100, 60};
    EXPECT_EQ(incomingFrameForAnimationDirection(*view, 1), up);
    EXPECT_EQ(incomingFrameForAnimationDirection(*view, 2), down);
    EXPECT_EQ(incomingFrameForAnimationDirection(*view, 3), right);
    EXPECT_EQ(incomingFrameForAnimationDirection(*view, 4), left);
    EXPECT_EQ(outgoingFrameForAnimationDirection(*view, 1), down);
    EXPECT_EQ(outgoingFrameForAnimationDirection(*view, 2), up);
    EXPECT_EQ(outgoingFrameForAnimationDirection(*view, 3), left);
    EXPECT_EQ(outgoingFrameForAnimationDirection(*view, 4), right);
    for (long direction : {0L, 5L}) {
        EXPECT_EQ(incomingFrameForAnimationDirection(*view, direction), down) << direction;
        EXPECT_EQ(outgoingFrameForAnimationDirection(*view, direction), up) << direction;
    }
}

TEST_F(ViewAdditionsTest, LooksLayersAndCorners) {
    auto view = ui::View::create({0, 0, 50, 40});
    setViewDisabled(*view);
    EXPECT_EQ(view->alphaValue(), 0.5);
    setViewEnabled(*view);
    EXPECT_EQ(view->alphaValue(), 1.0);

    setClipsToBounds(*view, true);
    ASSERT_TRUE(view->layer());
    EXPECT_TRUE(view->layer()->masksToBounds());
    setClipsToBounds(*view, false);
    EXPECT_FALSE(view->layer()->masksToBounds());

    setRoundedCornerSize(*view, 6);
    const auto rounded = view->layer();
    EXPECT_EQ(rounded->cornerRadius(), 6);
    EXPECT_TRUE(rounded->masksToBounds());

    // A background colour comes on a new layer, which drops the corners of the old one.
    setBackgouroundColor_withAlpha(*view, ui::Color::redColor(), 0.25);
    ASSERT_NE(view->layer(), rounded);
    EXPECT_EQ(view->layer()->backgroundColor(), ui::Color::redColor().colorWithAlphaComponent(0.25));
    EXPECT_EQ(view->layer()->cornerRadius(), 0);
    EXPECT_TRUE(view->wantsLayer());
}

TEST_F(ViewAdditionsTest, EveryBackgroundImageGoesBelowTheSubviewsAndIsStretched) {
    auto view = ui::View::create({0, 0, 80, 60});
    auto child = ui::View::create({5, 5, 10, 10});
    view->addSubview(child);
    auto first = registerImage("first", {10, 10});
    auto second = registerImage("second", {10, 10});
    setBackgroundImage(*view, first);
    setBackgroundImage(*view, second);
    ASSERT_EQ(view->subviews().size(), 3u);
    EXPECT_EQ(view->subviews().back(), child);
    auto bottom = std::dynamic_pointer_cast<ui::ImageView>(view->subviews()[0]);
    ASSERT_TRUE(bottom);
    EXPECT_EQ(bottom->image(), second);  // the latest is the lowest
    EXPECT_EQ(bottom->frame(), view->bounds());
    EXPECT_EQ(bottom->imageScaling(), ui::ImageScaling::AxesIndependently);
    EXPECT_EQ(bottom->displayCount(), 1);  // drawn at once
    view->setFrameSize({200, 100});
    EXPECT_EQ(bottom->frame().size, (ui::Size{80, 60}));  // does not follow
}

TEST_F(ViewAdditionsTest, ImmediateChangesCompleteOnceAMomentLater) {
    auto view = ui::View::create({0, 0, 10, 10});
    int alphaDone = 0, frameDone = 0;
    setAlpha_withDuration_completion(*view, 0.3, 0, [&] { ++alphaDone; });
    setFrame_withDuration_completion(*view, {5, 5, 20, 20}, -1, [&] { ++frameDone; });
    EXPECT_EQ(view->alphaValue(), 0.3);
    EXPECT_EQ(view->frame(), (Rect{5, 5, 20, 20}));
    EXPECT_TRUE(ui::AnimationContext::recorded().empty());
    settle();
    EXPECT_EQ(alphaDone + frameDone, 0);  // not inside the call, nor on the next turn
    advance(0.009);
    EXPECT_EQ(alphaDone + frameDone, 0);
    advance(0.001);
    EXPECT_EQ(alphaDone, 1);
    EXPECT_EQ(frameDone, 1);
    advance(1);
    EXPECT_EQ(alphaDone + frameDone, 2);
    // No completion: nothing is left waiting.
    setFrame_withDuration(*view, {0, 0, 1, 1}, 0);
    EXPECT_EQ(platform::RunLoop::main().pendingTimerCount(), 0u);
}

TEST_F(ViewAdditionsTest, TimedChangesAnimateAndCompleteAtTheirEnd) {
    auto view = ui::View::create({0, 0, 10, 10});
    int done = 0;
    setAlpha_withDuration_completion(*view, 0, 0.5, [&] { ++done; });
    setFrame_withDuration(*view, {0, 0, 30, 30}, 0.2);
    const auto& records = ui::AnimationContext::recorded();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].key, "alphaValue");
    EXPECT_EQ(records[0].duration, 0.5);
    EXPECT_EQ(records[1].key, "frame");
    EXPECT_EQ(records[1].duration, 0.2);
    EXPECT_EQ(view->alphaValue(), 0);  // model values at once
    advance(0.49);
    EXPECT_EQ(done, 0);
    advance(0.01);
    EXPECT_EQ(done, 1);
}

TEST_F(ViewAdditionsTest, SpinTurnsAboutTheCentreBySinglePrecisionAngles) {
    auto view = ui::View::create({10, 20, 40, 60});
    runSpinAnimationWithduration_rotations_repeat(*view, 4.0, -1.4, 200);
    ASSERT_TRUE(view->layer());
    auto spin = std::dynamic_pointer_cast<ui::BasicAnimation>(view->layer()->animationForKey("spin"));
    ASSERT_TRUE(spin);
    EXPECT_EQ(spin->keyPath, "transform.rotation.z");
    EXPECT_NEAR(std::get<double>(spin->toValue), -35.19, 0.005);
    EXPECT_EQ(std::get<double>(spin->toValue), static_cast<double>(static_cast<float>(2 * M_PI * -1.4 * 4)));
    EXPECT_EQ(spin->duration, 4.0);
    EXPECT_TRUE(spin->cumulative);
    EXPECT_EQ(spin->repeatCount, 200);
    EXPECT_EQ(view->layer()->anchorPoint(), (ui::Point{0.5, 0.5}));
    EXPECT_EQ(view->layer()->position(), (ui::Point{30, 50}));
    EXPECT_EQ(view->layer()->frame(), view->frame());

    runSpinAnimationWithduration_rotations_repeat_withKey(*view, 1, 1, 1, "other");
    EXPECT_EQ(view->layer()->animationKeys().size(), 2u);
    removeAllAnimations(*view);
    EXPECT_TRUE(view->layer()->animationKeys().empty());
}

TEST_F(ViewAdditionsTest, WindowsCentreOnTheWholeScreenOrOnZero) {
    auto window = MyNSWindow::create({0, 0, 400, 300}, ui::kWindowStyleTitled | ui::kWindowStyleClosable);
    EXPECT_EQ(window->styleMask(), ui::kWindowStyleBorderless);  // whatever was asked for
    EXPECT_TRUE(window->isMovableByWindowBackground());
    updateFrameToCenterOfScreen(*window, nullptr);
    EXPECT_EQ(window->frame(), (Rect{-200, -150, 400, 300}));

    ui::Screen::setScreensForTesting({{{0, 0, 1440, 900}, 2}, {{1440, 0, 800, 600}, 1}});
    window->showWindowInCenter();
    EXPECT_EQ(window->frame(), (Rect{520, 300, 400, 300}));  // the menu bar is not left out
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(ui::Application::shared().isActive());
    EXPECT_EQ(ui::Application::shared().orderedWindows().front(), window);

    auto titled = ui::Window::create({0, 0, 200, 100});
    showWindowInCenter(*titled, ui::Screen::screens()[1]);
    EXPECT_EQ(titled->frame(), (Rect{1740, 239, 200, 122}));
    EXPECT_TRUE(titled->isKeyWindow());
}

TEST_F(ViewAdditionsTest, SnapshotsAreTheBoundsDrawnAndPutTheViewBack) {
    ui::Renderer::install(std::make_shared<ui::CairoRenderer>());
    auto view = ui::View::create({0, 0, 20, 10});
    setBackgouroundColor(*view, ui::Color::colorWithCalibratedRed_green_blue_alpha(1, 0, 0, 1));
    view->setWantsLayer(false);
    view->setHidden(true);
    auto image = imageRepresentation(*view);
    EXPECT_TRUE(view->isHidden());
    EXPECT_FALSE(view->wantsLayer());
    EXPECT_EQ(image->size(), (ui::Size{20, 10}));
    ASSERT_TRUE(image->bitmap());
    EXPECT_EQ(image->bitmap()->width, 40);  // the main screen's scale
    EXPECT_EQ(image->bitmap()->rgbaAt(30, 15).r, 255);
    EXPECT_EQ(image->bitmap()->rgbaAt(30, 15).a, 255);

    ui::Renderer::install(nullptr);
    auto blank = makeImageSnapshot(*view);
    EXPECT_EQ(blank->size(), (ui::Size{20, 10}));
    EXPECT_FALSE(blank->bitmap());
}

TEST_F(ViewAdditionsTest, ImagesDrawnWithRoundedCornersAreClippedInsideASavedState) {
    class Canvas : public ui::View {
    public:
        std::shared_ptr<ui::Image> image;
        void drawRect(ui::Rect) override { drawImage_inFrame_cornerRadius(*this, image, {2, 3, 20, 10}, 4); }
    };
    auto w = window();
    auto canvas = ui::make<Canvas>(Rect{0, 0, 30, 30});
    canvas->image = registerImage("photo", {40, 20});
    w->contentView()->addSubview(canvas);
    EXPECT_EQ(drawing(*canvas), (ui::DisplayList{"save", "clip rrect(2 3 20 10 4 4)",
                                                 "image photo in 2 3 20 10 sourceOver 1", "restore"}));
}

}  // namespace
}  // namespace kestrune
