// Named vector animations played on the platform clock, and animated images that show their pictures in
// turn.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/ui/AnimationView.h"
#include "platform/ui/ImageView.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class AnimationViewTest : public test::Fixture {
protected:
    // 30 frames at 20 a second: 1.5 s.
    static std::shared_ptr<AnimationView> sample() {
        return AnimationView::animationFromText(
            "sample", R"({"w": 100, "h": 50, "ip": 0, "op": 30, "fr": 20, "shapes": [
                {"type": "circle", "cx": 50, "cy": 25, "r": [0, 20], "fill": "09D261"},
                {"type": "line", "points": [[0, 0], [100, 0]], "stroke": "FF0000", "width": 2, "trim": [0, 1]}]})");
    }
};

TEST_F(AnimationViewTest, APlayReportsFinishedOnceAtTheEndOfItsDuration) {
    auto view = sample();
    ASSERT_TRUE(view->isLoaded());
    EXPECT_DOUBLE_EQ(view->animationDuration(), 1.5);
    EXPECT_EQ(view->frame(), (Rect{0, 0, 100, 50}));
    std::vector<bool> reports;
    view->playWithCompletion([&](bool finished) { reports.push_back(finished); });
    advance(1.49);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(view->isAnimationPlaying());
    EXPECT_NEAR(view->animationProgress(), 1.49 / 1.5, 1e-6);
    advance(0.02);
    EXPECT_EQ(reports, std::vector<bool>{true});
    EXPECT_FALSE(view->isAnimationPlaying());
    EXPECT_EQ(view->animationProgress(), 1);
    advance(5);
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(AnimationViewTest, ALoopEndsOnlyWhenStoppedAndANewPlayEndsTheOneBefore) {
    auto view = sample();
    view->setLoopAnimation(true);
    std::vector<bool> first, second;
    view->playWithCompletion([&](bool finished) { first.push_back(finished); });
    // A loop leaves nothing due: an idle loop stays idle.
    runUntilIdle();
    advance(10);
    EXPECT_TRUE(first.empty());
    EXPECT_NEAR(view->animationProgress(), std::fmod(10.0, 1.5) / 1.5, 1e-6);
    view->playWithCompletion([&](bool finished) { second.push_back(finished); });
    EXPECT_EQ(first, std::vector<bool>{false});
    view->stop();
    EXPECT_EQ(second, std::vector<bool>{false});
    EXPECT_FALSE(view->isAnimationPlaying());
    EXPECT_EQ(view->playCount(), 2);
}

TEST_F(AnimationViewTest, AMissingOrBrokenFileMakesAnEmptyViewThatCompletesAtOnceUnfinished) {
    for (auto view :
         {AnimationView::animationNamed("no_such_animation"),
          AnimationView::animationFromText("broken", "{\"w\": 10"),
          AnimationView::animationFromText("no rate", R"({"w": 10, "h": 10, "op": 5, "fr": 0})"),
          AnimationView::animationFromText("backwards", R"({"w": 10, "h": 10, "ip": 9, "op": 5})")}) {
        SCOPED_TRACE(view->animationName());
        EXPECT_FALSE(view->isLoaded());
        std::vector<bool> reports;
        view->playWithCompletion([&](bool finished) { reports.push_back(finished); });
        EXPECT_EQ(reports, std::vector<bool>{false});
        EXPECT_FALSE(view->isAnimationPlaying());
    }
    EXPECT_TRUE(logged("AnimationView: no animation named no_such_animation"));
}

TEST_F(AnimationViewTest, TheBundlesAnimationsLoad) {
    for (const char* name : {"bluetooth", "checked_done", "confetti.json"}) {
        auto view = AnimationView::animationNamed(name);
        EXPECT_TRUE(view->isLoaded()) << name;
        EXPECT_GT(view->animationDuration(), 0) << name;
    }
}

TEST_F(AnimationViewTest, ShapesAreDrawnAtTheProgressScaledIntoTheBounds) {
    auto w = window({0, 0, 400, 300});
    auto view = sample();
    view->setFrame({0, 0, 200, 200});
    view->setContentMode(AnimationView::ScaleAspectFit);
    w->contentView()->addSubview(view);
    view->setAnimationProgress(0.5);
    const auto half = drawing(*view);
    view->setAnimationProgress(1);
    const auto end = drawing(*view);
    auto has = [](const DisplayList& list, const std::string& part) {
        return std::any_of(list.begin(), list.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    };
    // Aspect fit: the 100 x 50 canvas drawn at twice its size in the middle of the 200 x 200 view, its
    // y running downward as the file is written.
    EXPECT_TRUE(has(half, "concat 2 0 0 -2 0 150")) << testing::PrintToString(half);
    // Half-way the circle has half its radius and the line half its length.
    EXPECT_TRUE(has(half, "fill path(M60 25 "));
    EXPECT_TRUE(has(half, "stroke path(M0 0 L50 0) width 2"));
    EXPECT_TRUE(has(end, "fill path(M70 25 "));
    EXPECT_TRUE(has(end, "stroke path(M0 0 L100 0) width 2"));
}

TEST_F(AnimationViewTest, AnAnimatedImageShowsItsPicturesInTurnWhileTheViewAnimates) {
    registerImage("walk_frame1", {8, 8});
    registerImage("walk_frame2", {8, 8});
    registerImage("walk_frame3", {8, 8});
    auto image = Image::imageNamed("walk.gif");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->animationFrames().size(), 3u);
    EXPECT_EQ(Image::imageNamed("walk.gif"), image);
    EXPECT_FALSE(Image::imageNamed("none.gif"));
    auto w = window();
    auto view = ImageView::create({0, 0, 8, 8});
    w->contentView()->addSubview(view);
    view->setImage(image);
    EXPECT_EQ(view->currentAnimationFrame(), 0u);
    advance(0.25);
    EXPECT_EQ(view->currentAnimationFrame(), 2u);
    view->setNeedsDisplay(true);
    EXPECT_NE(drawing(*view).front().find("image walk_frame3"), std::string::npos);
    advance(0.1);
    EXPECT_EQ(view->currentAnimationFrame(), 0u);
    view->setAnimates(false);
    EXPECT_FALSE(view->currentAnimationFrame());
}

}  // namespace
}  // namespace platform::ui
