// The layer switch: track and knob geometry, clicks and drags in its own event loop, its delegate and
// bindings, and how it draws when disabled.

#include <gtest/gtest.h>

#include "tests/support/ui/Fixture.h"
#include "uikit/switches/APSwitch.h"

namespace kestrune {
namespace {

struct Delegate : APSwitchDelegate {
    int told = 0;
    void didUpdateValueForView(APSwitch&) override { ++told; }
};

class APSwitchTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        window_ = window();
        switch_ = APSwitch::create({20, 20, 80, 28});
        window_->contentView()->addSubview(switch_);
        delegate_ = std::make_shared<Delegate>();
        switch_->setDelegate(delegate_);
        settle();
    }
    double knobX() const { return switch_->knobLayer()->frame().minX(); }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<APSwitch> switch_;
    std::shared_ptr<Delegate> delegate_;
};

TEST_F(APSwitchTest, TheKnobSitsAtEitherEndAndTheTrackFollowsIt) {
    EXPECT_EQ(switch_->intrinsicContentSize(), (ui::Size{80, 28}));
    EXPECT_EQ(switch_->knobLayer()->bounds(), (ui::Rect{0, 0, 24, 24}));
    EXPECT_EQ(switch_->knobLayer()->frame(), (ui::Rect{0, 1, 24, 24}));
    EXPECT_EQ(switch_->backgroundLayer()->bounds(), (ui::Rect{0, 0, 160, 26}));
    EXPECT_EQ(switch_->backgroundLayer()->frame(), (ui::Rect{-68, 0, 160, 26}));
    EXPECT_EQ(switch_->contentLayer()->frame(), (ui::Rect{0, 2, 80, 26}));
    EXPECT_EQ(switch_->shadowLayer()->frame(), (ui::Rect{0, 1, 80, 27}));
    EXPECT_EQ(switch_->layer()->cornerRadius(), 14);
    EXPECT_TRUE(switch_->layer()->masksToBounds());
    EXPECT_EQ(switch_->backgroundLayer()->name(), "backgroundLayer");
    switch_->setOn(true);
    EXPECT_EQ(knobX(), 56);
    EXPECT_EQ(switch_->backgroundLayer()->position(), switch_->knobLayer()->position());
    EXPECT_EQ(delegate_->told, 1);
}

TEST_F(APSwitchTest, AClickAnywhereToggles) {
    click(*switch_, {70, 14});
    EXPECT_TRUE(switch_->isOn());
    EXPECT_EQ(knobX(), 56);
    EXPECT_FALSE(switch_->knobLayer()->isPressed());
    click(*switch_, {70, 14});  // on the knob this time
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(delegate_->told, 2);
}

TEST_F(APSwitchTest, ADragDecidesByTheKnobsMiddleHalfWayCountingAsOff) {
    drag(*switch_, {12, 14}, {40, 14}, 4);  // the knob ends at 28: its middle is exactly 40
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(knobX(), 0);
    EXPECT_EQ(delegate_->told, 1);
    drag(*switch_, {12, 14}, {41, 14});
    EXPECT_TRUE(switch_->isOn());
    EXPECT_EQ(knobX(), 56);
    drag(*switch_, {68, 14}, {200, 14});  // held to the end
    EXPECT_TRUE(switch_->isOn());
    EXPECT_EQ(delegate_->told, 3);
}

TEST_F(APSwitchTest, ADragStartingOffTheKnobChangesNothing) {
    drag(*switch_, {60, 14}, {10, 14});
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(knobX(), 0);
    EXPECT_EQ(delegate_->told, 0);
}

TEST_F(APSwitchTest, ThePressLoopEndsWhenNoEventIsLeft) {
    window_->sendEvent(ui::Event::mouseEvent(ui::EventType::LeftMouseDown, {32, 34}, window_));
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(delegate_->told, 0);
}

TEST_F(APSwitchTest, TheDelegateHearsEverySetButNotTheQuietOnes) {
    switch_->setOn(false);
    EXPECT_EQ(delegate_->told, 1);  // the same value still tells it
    switch_->setSwitchOn_animated(true, false);
    EXPECT_EQ(delegate_->told, 1);
    EXPECT_TRUE(switch_->isOn());  // stored, so that the next click starts from it
    click(*switch_, {40, 14});
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(knobX(), 0);

    std::vector<std::string> heard;
    switch_->addObserver([&](const std::string& key) { heard.push_back(key); });
    switch_->setOn(true);
    switch_->setOnTintColor(ui::Color::redColor());
    EXPECT_EQ(heard, (std::vector<std::string>{"on", "onTintColor"}));
    EXPECT_EQ(switch_->backgroundLayer()->onTintColor(), ui::Color::redColor());  // bound
}

TEST_F(APSwitchTest, QuietPlacementIsInstantAndAnimatedPlacementIsNot) {
    switch_->setSwitchOn_animated(true, false);
    // The knob is there at once: no animation of it is running.
    EXPECT_EQ(knobX(), 56);
    EXPECT_FALSE(switch_->knobLayer()->animationForKey("position"));
    EXPECT_FALSE(switch_->backgroundLayer()->animationForKey("position"));
    EXPECT_FALSE(switch_->knobLayer()->delegate());
    EXPECT_FALSE(switch_->backgroundLayer()->delegate());
    EXPECT_FALSE(switch_->knobLayer()->animationForKey("bounds"));

    switch_->setOn(false);
    auto animated = switch_->knobLayer()->animationForKey("position");
    ASSERT_TRUE(animated);
    EXPECT_EQ(animated->duration, 0.25);
    auto track = switch_->backgroundLayer()->animationForKey("position");
    ASSERT_TRUE(track);
    EXPECT_EQ(track->duration, 0.25);
}

TEST_F(APSwitchTest, DisabledItIgnoresTheMouseAndDrawsPaler) {
    auto enabledTrack = [&] {
        switch_->backgroundLayer()->display();
        return switch_->backgroundLayer()->displayList();
    };
    const auto enabled = enabledTrack();
    switch_->setEnabled(false);
    EXPECT_FALSE(switch_->backgroundLayer()->isEnabled());
    EXPECT_FALSE(switch_->knobLayer()->isEnabled());
    EXPECT_EQ(switch_->knobLayer()->shadowOpacity(), 0.5);
    click(*switch_, {40, 14});
    drag(*switch_, {12, 14}, {70, 14});
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(delegate_->told, 0);

    const auto disabled = enabledTrack();
    const std::string pale =
        "fill rect(0 0 160 26) " + ui::Color::colorWithCalibratedWhite_alpha(1, 0.75).description();
    EXPECT_EQ(std::count(enabled.begin(), enabled.end(), pale), 0);
    EXPECT_EQ(std::count(disabled.begin(), disabled.end(), pale), 1);
    auto shadowOf = [](const ui::DisplayList& list) {
        for (const auto& line : list)
            if (line.rfind("shadow ", 0) == 0) return line;
        return std::string();
    };
    EXPECT_EQ(shadowOf(enabled),
              "shadow 0 -3 3 " + ui::Color::colorWithCalibratedWhite_alpha(0, 0.3).description());
    EXPECT_EQ(shadowOf(disabled),
              "shadow 0 -3 3 " + ui::Color::colorWithCalibratedWhite_alpha(0, 0.1).description());
    EXPECT_NE(std::find_if(disabled.begin(), disabled.end(),
                           [](const std::string& l) {
                               return l.find("plusDarker") != std::string::npos ||
                                      l.rfind("stroke rrect(-1 -1 162 28 2 2)", 0) == 0;
                           }),
              disabled.end());
}

}  // namespace
}  // namespace kestrune
