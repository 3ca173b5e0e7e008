// Turns of the main run loop: posted closures, the end-of-turn commit, layout and display passes.

#include <gtest/gtest.h>

#include "platform/base/RunLoop.h"
#include "platform/ui/Transaction.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

std::vector<std::string> journal;

class JournalView : public View {
public:
    void layout() override { journal.push_back("layout open=" + std::to_string(Transaction::depth())); }
    void drawRect(Rect dirty) override {
        journal.push_back("draw " + dirty.description());
        if (auto* c = GraphicsContext::current()) {
            c->setFillColor(Color::redColor());
            c->fillRect({0, 0, 10, 10});
        }
    }
};

class PassesTest : public test::Fixture {
protected:
    void SetUp() override {
        test::Fixture::SetUp();
        journal.clear();
    }
};

TEST_F(PassesTest, PostedClosuresWaitForTheNextTurn) {
    std::vector<int> order;
    RunLoop::main().post([&] {
        order.push_back(1);
        RunLoop::main().post([&] { order.push_back(3); });
        order.push_back(2);
    });
    EXPECT_TRUE(order.empty());
    RunLoop::main().runOnce();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    RunLoop::main().runOnce();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(PassesTest, EndOfTurnCommitsThenLaysOutThenDraws) {
    auto w = window({0, 0, 200, 100});
    auto view = make<JournalView>(Rect{0, 0, 50, 50});
    auto layer = Layer::layer();
    RunLoop::main().post([&] {
        w->contentView()->addSubview(view);
        layer->setOpacity(0.5);  // opens the turn's implicit transaction
        journal.push_back("change open=" + std::to_string(Transaction::depth()));
    });
    settle();
    EXPECT_EQ(journal,
              (std::vector<std::string>{"change open=1", "layout open=0", "draw {{0, 0}, {50, 50}}"}));
    EXPECT_EQ(view->displayList(), (DisplayList{"fill rect(0 0 10 10) rgba(1,0,0,1)"}));

    // Only what was marked is done again, and only the dirty part is drawn.
    journal.clear();
    view->setNeedsDisplayInRect({5, 5, 10, 10});
    settle();
    EXPECT_EQ(journal, (std::vector<std::string>{"draw {{5, 5}, {10, 10}}"}));
    settle();
    EXPECT_EQ(view->displayCount(), 2);
}

TEST_F(PassesTest, ViewsOfWindowsThatAreNotVisibleAreNeitherLaidOutNorDrawn) {
    auto w = window({0, 0, 200, 100});
    w->orderOut();
    auto view = make<JournalView>(Rect{0, 0, 50, 50});
    w->contentView()->addSubview(view);
    auto loose = make<JournalView>(Rect{0, 0, 50, 50});  // in no window at all
    settle();
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(view->displayCount(), 0);

    w->orderFront();
    settle();
    EXPECT_EQ(view->displayCount(), 1);
    EXPECT_EQ(loose->displayCount(), 0);
    // display() forces a single view whatever its window.
    loose->display();
    EXPECT_EQ(loose->displayCount(), 1);
}

TEST_F(PassesTest, HiddenSubtreesAreSkippedUntilShown) {
    auto w = window({0, 0, 200, 100});
    auto view = make<JournalView>(Rect{0, 0, 50, 50});
    view->setHidden(true);
    w->contentView()->addSubview(view);
    settle();
    EXPECT_EQ(view->displayCount(), 0);
    view->setHidden(false);
    settle();
    EXPECT_EQ(view->displayCount(), 1);
}

}  // namespace
}  // namespace platform::ui
