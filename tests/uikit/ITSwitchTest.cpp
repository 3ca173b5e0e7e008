// The animated switch: knob geometry, clicks, drags, the caption's timing, keyboard and assistive
// technology, and its target.

#include <gtest/gtest.h>

#include "platform/ui/Application.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Transaction.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/switches/ITSwitch.h"

namespace kestrune {
namespace {

struct Target : ui::UIObject {
    int calls = 0;
    bool sawOn = false;
};

class ITSwitchTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        window_ = window();
        switch_ = ITSwitch::create({20, 20, 50, 30});
        window_->contentView()->addSubview(switch_);
        target_ = std::make_shared<Target>();
        switch_->setTarget(target_);
        switch_->setAction([](const std::shared_ptr<ui::UIObject>& target, ui::Control& sender) {
            auto* t = static_cast<Target*>(target.get());
            ++t->calls;
            t->sawOn = static_cast<ITSwitch&>(sender).isOn();
        });
        settle();
    }
    double labelOpacity() const { return switch_->knobLayerLabel()->opacity(); }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ITSwitch> switch_;
    std::shared_ptr<Target> target_;
};

TEST_F(ITSwitchTest, KnobGeometryFollowsStateAndPress) {
    ui::Rect knob = switch_->knobLayer()->frame();
    EXPECT_EQ(knob.minX(), 1);
    EXPECT_EQ(knob.minY(), 1);
    EXPECT_EQ(knob.height(), 28);
    EXPECT_NEAR(knob.width(), 29.66, 0.01);
    EXPECT_EQ(switch_->backgroundLayer()->cornerRadius(), 15);
    EXPECT_EQ(switch_->knobLayer()->cornerRadius(), 14);
    EXPECT_EQ(switch_->knobInsideLayer()->frame(), switch_->knobLayer()->bounds());
    EXPECT_EQ(switch_->knobLayerLabel()->frame(), (ui::Rect{0, 7, knob.width(), 14}));
    EXPECT_EQ(switch_->knobLayerLabel()->fontName(), "Helvetica Neue Thin");
    EXPECT_EQ(switch_->knobLayerLabel()->string(), "");

    switch_->setOn(true);
    EXPECT_NEAR(switch_->knobLayer()->frame().minX(), 19.34, 0.01);
    switch_->setActive(true);
    EXPECT_NEAR(switch_->rectForKnob().width(), 34.78, 0.005);
    EXPECT_NEAR(switch_->rectForKnob().minX(), 50 - 34.78 - 1, 0.005);  // grows towards the centre
    switch_->setActive(false);

    switch_->setFrame({20, 20, 80, 40});
    EXPECT_EQ(switch_->knobLayer()->frame().height(), 38);
    EXPECT_EQ(switch_->backgroundLayer()->cornerRadius(), 20);
    EXPECT_EQ(switch_->knobLayer()->cornerRadius(), 19);
    EXPECT_FALSE(switch_->knobLayer()->animationForKey("cornerRadius"));  // resizing does not animate
}

TEST_F(ITSwitchTest, AClickTogglesAndActsOnceWithTheNewState) {
    click(*switch_, {10, 15});
    EXPECT_TRUE(switch_->isOn());
    EXPECT_EQ(target_->calls, 1);
    EXPECT_TRUE(target_->sawOn);
    EXPECT_FALSE(switch_->isActive());
    EXPECT_EQ(switch_->backgroundLayer()->backgroundColor(), ui::Color::colorWithDeviceWhite_alpha(1, 0.75));
    EXPECT_EQ(switch_->backgroundLayer()->borderColor(), ui::Color::colorWithCalibratedWhite_alpha(1, 0));
    click(*switch_, {40, 15});
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(target_->calls, 2);
    EXPECT_EQ(switch_->backgroundLayer()->backgroundColor(), ui::Color::clearColor());
    EXPECT_EQ(switch_->backgroundLayer()->borderColor(), ui::Color::colorWithCalibratedWhite_alpha(1, 0.6));
}

TEST_F(ITSwitchTest, DragsDecideByThePointersLastPlaceTheMiddleCountingAsOn) {
    drag(*switch_, {5, 15}, {40, 15}, 3);
    EXPECT_TRUE(switch_->isOn());
    EXPECT_EQ(target_->calls, 1);
    EXPECT_FALSE(switch_->hasDragged());
    EXPECT_FALSE(switch_->isDraggingTowardsOn());

    drag(*switch_, {40, 15}, {45, 15});  // stays on its own side
    EXPECT_TRUE(switch_->isOn());
    EXPECT_EQ(target_->calls, 1);

    drag(*switch_, {40, 15}, {10, 15});
    EXPECT_FALSE(switch_->isOn());
    drag(*switch_, {10, 15}, {25, 15});  // exactly the middle
    EXPECT_TRUE(switch_->isOn());
    EXPECT_EQ(target_->calls, 3);
}

TEST_F(ITSwitchTest, TheCaptionShowsUntilTheChangesAnimationsEndThenFades) {
    click(*switch_, {10, 15});
    EXPECT_EQ(switch_->knobLayerLabel()->string(), "ON");
    auto move = switch_->knobLayer()->animationForKey("position");
    ASSERT_TRUE(move);
    EXPECT_EQ(move->duration, 0.4);
    EXPECT_EQ(move->timingFunction, ui::TimingFunction::functionWithControlPoints(0.25, 1.5, 0.5, 1.0));
    advance(0.8);
    EXPECT_EQ(labelOpacity(), 0);

    click(*switch_, {40, 15});
    EXPECT_EQ(switch_->knobLayerLabel()->string(), "OFF");
    EXPECT_EQ(labelOpacity(), 1);
    auto fadeIn = switch_->knobLayerLabel()->animationForKey("opacity");
    ASSERT_TRUE(fadeIn);
    EXPECT_EQ(fadeIn->duration, 0.4);
    advance(0.39);
    EXPECT_EQ(labelOpacity(), 1);
    advance(0.01);
    EXPECT_EQ(labelOpacity(), 0);
    auto fadeOut =
        std::dynamic_pointer_cast<ui::BasicAnimation>(switch_->knobLayerLabel()->animationForKey("opacity"));
    ASSERT_TRUE(fadeOut);
    EXPECT_EQ(fadeOut->duration, 0.4);
    EXPECT_EQ(std::get<double>(fadeOut->toValue), 0.0);
}

TEST_F(ITSwitchTest, TwoSwitchesChangedInOneTurnBothLoseTheirCaption) {
    // As the panel's refresh does: the trusted Wi-Fi switch first, the proximity switch later in the turn.
    auto second = ITSwitch::create({20, 60, 50, 30});
    window_->contentView()->addSubview(second);
    settle();
    switch_->setOn(true);
    second->setOn(true);
    EXPECT_EQ(labelOpacity(), 1);
    EXPECT_EQ(second->knobLayerLabel()->opacity(), 1);
    advance(0.9);
    EXPECT_EQ(labelOpacity(), 0);
    EXPECT_EQ(second->knobLayerLabel()->opacity(), 0);

    // A completion its owner gives the same turn's transaction after a change is not lost either.
    int ownersCompletion = 0;
    switch_->setOn(false);
    ui::Transaction::setCompletionBlock([&] { ++ownersCompletion; });
    advance(0.9);
    EXPECT_EQ(labelOpacity(), 0);
    EXPECT_EQ(ownersCompletion, 1);
}

TEST_F(ITSwitchTest, SettingTheSameValueShowsNothingButReappliesTheLook) {
    switch_->backgroundLayer()->setBackgroundColor(ui::Color::redColor());
    switch_->setOn(false);
    EXPECT_EQ(switch_->knobLayerLabel()->string(), "");
    EXPECT_EQ(switch_->backgroundLayer()->backgroundColor(), ui::Color::clearColor());
    switch_->setOn(true);  // by code: shown, never sent
    EXPECT_EQ(switch_->knobLayerLabel()->string(), "ON");
    EXPECT_EQ(target_->calls, 0);
    switch_->setTintColor(ui::Color::greenColor());
    EXPECT_EQ(switch_->backgroundLayer()->backgroundColor(), ui::Color::greenColor());
}

TEST_F(ITSwitchTest, DisabledItIsHalfSeenAndDeafToTheMouseButNotToTheKeyboard) {
    switch_->setEnabled(false);
    EXPECT_EQ(switch_->rootLayer()->opacity(), 0.5);
    click(*switch_, {10, 15});
    drag(*switch_, {5, 15}, {45, 15});
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(target_->calls, 0);

    ui::Application::shared().setFullKeyboardAccessEnabled(true);
    ASSERT_TRUE(window_->makeFirstResponder(switch_));
    key(49, " ");
    EXPECT_TRUE(switch_->isOn());
    key(ui::kKeyCodeRightArrow);  // already on
    EXPECT_EQ(target_->calls, 1);
    key(ui::kKeyCodeLeftArrow);
    EXPECT_FALSE(switch_->isOn());
    key(ui::kKeyCodeLeftArrow);
    EXPECT_EQ(target_->calls, 2);
    switch_->setEnabled(true);
    EXPECT_EQ(switch_->rootLayer()->opacity(), 1.0);
}

TEST_F(ITSwitchTest, WithoutFullKeyboardAccessTheKeysNeverReachIt) {
    EXPECT_FALSE(switch_->acceptsFirstResponder());
    EXPECT_FALSE(switch_->canBecomeKeyView());
    click(*switch_, {10, 15});
    EXPECT_NE(window_->firstResponder(), switch_);
    EXPECT_FALSE(window_->makeFirstResponder(switch_));
    key(49, " ");
    key(ui::kKeyCodeLeftArrow);
    EXPECT_TRUE(switch_->isOn());
    EXPECT_EQ(target_->calls, 1);

    ui::Application::shared().setFullKeyboardAccessEnabled(true);
    click(*switch_, {10, 15});
    EXPECT_EQ(window_->firstResponder(), switch_);  // a click with full keyboard access focuses it
}

TEST_F(ITSwitchTest, WithoutTargetOrActionTogglesReachNobody) {
    switch_->setTarget({});
    click(*switch_, {10, 15});
    EXPECT_TRUE(switch_->isOn());
    switch_->setTarget(target_);
    switch_->setAction(nullptr);
    click(*switch_, {10, 15});
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(target_->calls, 0);
}

TEST_F(ITSwitchTest, AssistiveTechnologySeesACheckBox) {
    const auto names = switch_->accessibilityAttributeNames();
    EXPECT_EQ(names, (std::vector<std::string>{"AXValue", "AXEnabled", "AXDescription"}));
    EXPECT_EQ(ITSwitch::create({0, 0, 10, 10})->accessibilityAttributeNames(), names);
    EXPECT_EQ(switch_->accessibilityAttributeValue("AXRole"), platform::Value("AXCheckBox"));
    EXPECT_EQ(switch_->accessibilityAttributeValue("AXValue"), platform::Value(0));
    EXPECT_EQ(switch_->accessibilityAttributeValue("AXEnabled"), platform::Value(true));
    EXPECT_TRUE(switch_->accessibilityIsAttributeSettable("AXValue"));
    EXPECT_FALSE(switch_->accessibilityIsAttributeSettable("AXEnabled"));
    EXPECT_FALSE(switch_->accessibilityIsAttributeSettable("AXDescription"));
    EXPECT_TRUE(switch_->accessibilityIsIgnored());

    switch_->accessibilitySetValue_forAttribute(platform::Value(1), "AXValue");
    EXPECT_TRUE(switch_->isOn());
    switch_->accessibilitySetValue_forAttribute(platform::Value(1), "AXValue");  // no change, no action
    EXPECT_EQ(target_->calls, 1);
    EXPECT_EQ(switch_->accessibilityAttributeValue("AXValue"), platform::Value(1));
    EXPECT_EQ(switch_->accessibilityActionNames(), (std::vector<std::string>{"AXPress"}));
    switch_->accessibilityPerformAction("AXPress");
    EXPECT_FALSE(switch_->isOn());
    EXPECT_EQ(target_->calls, 2);
    switch_->accessibilityPerformAction("AXShowMenu");
    EXPECT_EQ(target_->calls, 2);
}

TEST_F(ITSwitchTest, ALayoutMadeSwitchHasItsLayersToo) {
    ui::NibRegistry::add("Switch", [](ui::NibLoader& loader) {
        loader.addTopLevel(loader.make<ITSwitch>({0, 0, 50, 30}));
    });
    auto loaded = ui::Nib::loadFirst<ITSwitch>("Switch", nullptr);
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(loaded->knobLayer());
    EXPECT_EQ(loaded->layer(), loaded->rootLayer());
    EXPECT_EQ(loaded->knobLayer()->frame().height(), 28);
}

}  // namespace
}  // namespace kestrune
