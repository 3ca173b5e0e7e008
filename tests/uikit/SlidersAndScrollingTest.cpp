// The distance sliders' bars, the knob-only scroller and the scroll view moved only by code.

#include <gtest/gtest.h>

#include "platform/ui/AnimationContext.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/scrolling/KestruneScroller.h"
#include "uikit/scrolling/MyScrollView.h"
#include "uikit/sliders/CustomSlider.h"
#include "uikit/sliders/CustomSliderCell.h"
#include "uikit/sliders/MyCustomSlider.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {
namespace {

class SlidersAndScrollingTest : public ui::test::Fixture {
protected:
    std::shared_ptr<CustomSlider> slider(double min, double max, double value) {
        if (!window_) window_ = window();
        auto s = CustomSlider::create({10, 10, 200, 20});
        s->setCell(std::make_shared<MyCustomSlider>());
        s->setMinValue(min);
        s->setMaxValue(max);
        s->setDoubleValue(value);
        window_->contentView()->addSubview(s);
        return s;
    }
    std::shared_ptr<ui::Window> window_;
};

TEST_F(SlidersAndScrollingTest, TheGreenRunsFromNothingToEightPointsShortOfTheWidth) {
    const std::string green = kestruneGreen().description();
    auto atMin = slider(0, 10, 0);
    auto atMax = slider(0, 10, 10);
    auto middle = slider(-5, 5, 0);
    auto flat = slider(3, 3, 3);
    const ui::Rect bar = atMin->cell()->barRectFlipped(false);
    auto grey = "fill rrect(" + std::to_string(int(bar.minX())) + " " + std::to_string(int(bar.minY())) +
                " " + std::to_string(int(bar.width())) + " 3 1.5 1.5) " +
                ui::Color::lightGrayColor().description();
    auto fill = [&](double width) {
        // A bar of no width has no corners left to round.
        std::ostringstream line;
        line << "fill " << (width > 0 ? "rrect(" : "rect(") << bar.minX() << " " << bar.minY() << " " << width
             << " 3" << (width > 0 ? " 1.5 1.5) " : ") ") << green;
        return line.str();
    };
    ASSERT_GE(drawing(*atMin).size(), 2u);
    EXPECT_EQ(drawing(*atMin)[0], grey);
    EXPECT_EQ(drawing(*atMin)[1], fill(0));
    EXPECT_EQ(drawing(*atMax)[1], fill(192));
    EXPECT_EQ(drawing(*middle)[1], fill(96));
    // No range: the grey bar and the knob, no green.
    for (const auto& line : drawing(*flat)) EXPECT_EQ(line.find(green), std::string::npos) << line;
}

TEST_F(SlidersAndScrollingTest, ACustomSliderRedrawsWhole) {
    auto s = slider(0, 1, 0.5);
    settle();
    s->setNeedsDisplayInRect({1, 1, 2, 2});
    EXPECT_EQ(s->dirtyRect(), s->bounds());
}

TEST_F(SlidersAndScrollingTest, TheLineSliderDrawsAWhiteLineAndRemembersItsKnob) {
    auto w = window();
    auto s = ui::Slider::create({0, 0, 120, 20});
    auto cell = std::make_shared<CustomSliderCell>();
    s->setCell(cell);
    s->setDoubleValue(0.5);
    w->contentView()->addSubview(s);
    const auto& list = drawing(*s);
    const ui::Rect bar = cell->barRectFlipped(false);
    std::ostringstream line;
    line << "fill rect(" << bar.minX() << " " << bar.midY() - 1 << " " << bar.width() << " 2) "
         << ui::Color::colorWithCalibratedWhite_alpha(1, 1).description();
    ASSERT_FALSE(list.empty());
    EXPECT_NE(std::find(list.begin(), list.end(), line.str()), list.end());
    EXPECT_EQ(cell->knobRect(), cell->knobRectFlipped(false));
    EXPECT_EQ(cell->knobRect(), (ui::Rect{50, 0, 20, 20}));
}

TEST_F(SlidersAndScrollingTest, TheScrollerErasesItsTrackAndDrawsTheKnob) {
    auto w = window();
    auto scroller = KestruneScroller::create({0, 0, 15, 100});
    scroller->setScrollerStyle(ui::ScrollerStyle::Legacy);
    scroller->setKnobProportion(0.5);
    w->contentView()->addSubview(scroller);
    const auto& list = drawing(*scroller);
    ASSERT_GE(list.size(), 4u);
    const std::string erase = "fill rect(0 0 15 100) " + ui::Color::clearColor().description() + " copy";
    const auto at = std::find(list.begin(), list.end(), erase);
    ASSERT_NE(at, list.end());
    ASSERT_NE(at + 1, list.end());
    EXPECT_EQ(at[1], "restore");
    ASSERT_NE(at + 2, list.end());
    EXPECT_EQ(at[2].rfind("fill rrect(", 0), 0u);  // the knob, drawn last
    EXPECT_EQ(list.back(), at[2]);
}

TEST_F(SlidersAndScrollingTest, TheScrollViewIgnoresTheWheelAndEndsOnTheLatestPoint) {
    auto w = window();
    auto scroll = MyScrollView::create({0, 0, 100, 100});
    scroll->setDocumentView(ui::View::create({0, 0, 100, 1000}));
    w->contentView()->addSubview(scroll);
    auto clip = scroll->contentView();

    auto wheel = ui::Event::mouseEvent(ui::EventType::ScrollWheel, {50, 50}, w);
    wheel.deltaY = -30;
    w->sendEvent(wheel);
    EXPECT_EQ(clip->bounds().origin, (ui::Point{0, 0}));

    scroll->scrollToPoint_animated({0, 300}, false);
    EXPECT_EQ(clip->bounds().origin, (ui::Point{0, 300}));
    scroll->scrollToPoint_animated({0, 100}, true);
    advance(0.1);
    scroll->scrollToPoint_animated({0, 600}, true);
    EXPECT_EQ(scroll->lastPoint(), (ui::Point{0, 600}));
    const auto& records = ui::AnimationContext::recorded();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].key, "boundsOrigin");
    EXPECT_EQ(records[1].duration, 0.25);  // the platform's default
    // The first scroll's end comes after the second began: it still settles on the latest point.
    advance(0.15);
    EXPECT_EQ(clip->bounds().origin, (ui::Point{0, 600}));
    advance(0.1);
    EXPECT_EQ(clip->bounds().origin, (ui::Point{0, 600}));
}

}  // namespace
}  // namespace kestrune
