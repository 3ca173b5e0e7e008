// View animations, layer actions and transactions.

#include <gtest/gtest.h>

#include "platform/base/RunLoop.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Transaction.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class AnimationTest : public test::Fixture {};

TEST_F(AnimationTest, AnimatorSetsModelValuesAtOnceAndCompletesAtTheGroupsEnd) {
    auto w = window();
    auto view = View::create({0, 0, 100, 50});
    w->contentView()->addSubview(view);
    int completed = 0;
    AnimationContext::runGroup(
        [&](AnimationContext& context) {
            context.setDuration(0.5);
            view->animator().setFrame({10, 20, 100, 50});
            view->animator().setAlphaValue(0.3);
            w->animator().setAlphaValue(0.8);
        },
        [&] { ++completed; });
    EXPECT_EQ(view->frame(), Rect(10, 20, 100, 50));
    EXPECT_DOUBLE_EQ(view->alphaValue(), 0.3);
    EXPECT_DOUBLE_EQ(w->alphaValue(), 0.8);
    const auto running = AnimationContext::runningAnimations();
    ASSERT_EQ(running.size(), 3u);
    EXPECT_EQ(running[0].key, "frame");
    EXPECT_EQ(std::get<Rect>(running[0].from), Rect(0, 0, 100, 50));
    EXPECT_EQ(std::get<Rect>(running[0].to), Rect(10, 20, 100, 50));
    EXPECT_DOUBLE_EQ(running[0].duration, 0.5);

    advance(0.49);
    EXPECT_EQ(completed, 0);
    advance(0.01);
    EXPECT_EQ(completed, 1);
    EXPECT_TRUE(AnimationContext::runningAnimations().empty());
}

TEST_F(AnimationTest, AZeroDurationGroupCompletesOnTheNextTurnNotInline) {
    auto view = View::create({0, 0, 10, 10});
    int completed = 0;
    AnimationContext::runGroup(
        [&](AnimationContext& c) {
            c.setDuration(0), view->animator().setFrameOrigin({5, 5});
        },
        [&] { ++completed; });
    EXPECT_EQ(completed, 0);
    RunLoop::main().runOnce();
    EXPECT_EQ(completed, 1);
}

TEST_F(AnimationTest, NestedTransactionsCompleteAfterEveryAnimationInThem) {
    auto first = Layer::layer();
    auto second = Layer::layer();
    int completed = 0;
    Transaction::begin();
    Transaction::setAnimationDuration(1.0);
    Transaction::setCompletionBlock([&] { ++completed; });
    first->setOpacity(0.5);
    Transaction::begin();
    Transaction::setAnimationDuration(2.0);
    second->setOpacity(0.2);
    Transaction::commit();
    Transaction::commit();
    EXPECT_DOUBLE_EQ(first->opacity(), 0.5);
    ASSERT_TRUE(second->animationForKey("opacity"));
    EXPECT_DOUBLE_EQ(second->animationForKey("opacity")->duration, 2.0);
    advance(1.99);
    EXPECT_EQ(completed, 0);
    advance(0.01);
    EXPECT_EQ(completed, 1);

    // Without animations the completion still waits for the next turn.
    Transaction::begin();
    Transaction::setCompletionBlock([&] { ++completed; });
    Transaction::commit();
    EXPECT_EQ(completed, 1);
    settle();
    EXPECT_EQ(completed, 2);
}

class ScriptedDelegate : public LayerDelegate {
public:
    LayerAction answer;
    LayerAction actionForLayer_forKey(Layer&, const std::string&) override { return answer; }
};

TEST_F(AnimationTest, ActionsComeFromTheDelegateThenTheMapThenTheDefault) {
    auto mine = [](double duration) {
        auto a = BasicAnimation::animationWithKeyPath("");
        a->duration = duration;
        return std::shared_ptr<Animation>(a);
    };
    struct Case {
        const char* name;
        LayerAction delegateAnswer;
        bool mapHasEntry;
        std::shared_ptr<Animation> mapEntry;
        double expectedDuration;  // -1: no animation
    };
    const Case cases[] = {
        {"delegate none beats the map", LayerAction::none(), true, mine(3), -1},
        {"delegate animation", LayerAction::with(mine(7)), true, mine(3), 7},
        {"map entry of none", LayerAction::defaultAction(), true, nullptr, -1},
        {"map animation", LayerAction::defaultAction(), true, mine(3), 3},
        {"transaction default", LayerAction::defaultAction(), false, nullptr, 0.25},
    };
    for (const auto& k : cases) {
        auto layer = Layer::layer();
        auto delegate = std::make_shared<ScriptedDelegate>();
        delegate->answer = k.delegateAnswer;
        layer->setDelegate(delegate);
        if (k.mapHasEntry) layer->actions["cornerRadius"] = k.mapEntry;
        layer->setCornerRadius(4);
        EXPECT_DOUBLE_EQ(layer->cornerRadius(), 4) << k.name;
        auto added = layer->animationForKey("cornerRadius");
        if (k.expectedDuration < 0) {
            EXPECT_FALSE(added) << k.name;
            continue;
        }
        ASSERT_TRUE(added) << k.name;
        EXPECT_DOUBLE_EQ(added->duration, k.expectedDuration) << k.name;
        EXPECT_EQ(added->keyPath, "cornerRadius") << k.name;
        auto basic = std::dynamic_pointer_cast<BasicAnimation>(added);
        ASSERT_TRUE(basic) << k.name;
        EXPECT_EQ(basic->fromValue, AnimatableValue(0.0)) << k.name;
        EXPECT_EQ(basic->toValue, AnimatableValue(4.0)) << k.name;
    }
}

TEST_F(AnimationTest, AViewsOwnLayerAnimatesOnlyInsideAGroupAndNothingAnimatesWithActionsDisabled) {
    auto view = View::create({0, 0, 10, 10});
    view->setWantsLayer(true);
    view->layer()->setCornerRadius(3);
    EXPECT_FALSE(view->layer()->animationForKey("cornerRadius"));
    AnimationContext::runGroup([&](AnimationContext& c) {
        c.setDuration(0.6);
        view->layer()->setCornerRadius(5);
    });
    ASSERT_TRUE(view->layer()->animationForKey("cornerRadius"));
    EXPECT_DOUBLE_EQ(view->layer()->animationForKey("cornerRadius")->duration, 0.6);

    auto free = Layer::layer();
    Transaction::begin();
    Transaction::setDisableActions(true);
    free->setOpacity(0.1);
    Transaction::commit();
    EXPECT_FALSE(free->animationForKey("opacity"));
    EXPECT_DOUBLE_EQ(free->opacity(), 0.1);
}

TEST_F(AnimationTest, AddedAnimationsStayForInspectionUntilRemoved) {
    auto layer = Layer::layer();
    auto spin = BasicAnimation::animationWithKeyPath("transform.rotation.z");
    spin->duration = 4;
    spin->repeatCount = 200;
    spin->cumulative = true;
    layer->addAnimation_forKey(spin, "spin");
    advance(100);
    ASSERT_EQ(layer->animationKeys(), std::vector<std::string>{"spin"});
    EXPECT_TRUE(layer->animationForKey("spin")->cumulative);
    layer->removeAllAnimations();
    EXPECT_TRUE(layer->animationKeys().empty());
}

TEST_F(AnimationTest, ImplicitTransactionCompletionWaitsForItsAnimations) {
    auto layer = Layer::layer();
    int completed = 0;
    RunLoop::main().post([&] {
        Transaction::setCompletionBlock([&] { ++completed; });
        layer->setOpacity(0.4);  // default 0.25 s
    });
    RunLoop::main().runOnce();  // the turn ends: the implicit transaction commits
    EXPECT_EQ(Transaction::depth(), 0);
    EXPECT_EQ(completed, 0);
    advance(0.25);
    EXPECT_EQ(completed, 1);
}

}  // namespace
}  // namespace platform::ui
