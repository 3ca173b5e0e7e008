// A split view that is resized gives the change only to the subviews its delegate lets change.

#include <gtest/gtest.h>

#include "platform/ui/SplitView.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class Adjusting : public SplitViewDelegate {
public:
    View* fixed = nullptr;
    bool answers = true;
    bool implements(Op op) const override { return answers && op == Op::ShouldAdjustSizeOfSubview; }
    bool splitView_shouldAdjustSizeOfSubview(SplitView&, View* view) override { return view != fixed; }
};

class SplitViewResizeTest : public test::Fixture {};

TEST_F(SplitViewResizeTest, OnlyTheSubviewsTheDelegateAllowsTakeTheChange) {
    auto split = SplitView::create({0, 0, 301, 100});
    auto left = View::create({0, 0, 100, 100});
    auto middle = View::create({101, 0, 100, 100});
    auto right = View::create({202, 0, 99, 100});
    for (auto& v : {left, middle, right}) split->addSubview(v);
    auto delegate = std::make_shared<Adjusting>();
    delegate->fixed = left.get();
    split->setDelegate(delegate);

    split->setFrameSize({401, 120});
    EXPECT_EQ(left->frame(), Rect(0, 0, 100, 120));
    // 100 more points shared by size between the other two.
    EXPECT_NEAR(middle->frame().width(), 100 + 100.0 * 100 / 199, 1e-9);
    EXPECT_NEAR(right->frame().width(), 99 + 100.0 * 99 / 199, 1e-9);
    EXPECT_NEAR(right->frame().maxX(), 401, 1e-9);

    // Without the operation the usual proportional fit applies again.
    delegate->answers = false;
    split->setFrameSize({201, 120});
    EXPECT_LT(left->frame().width(), 100);

    // A delegate that lets none change leaves the usual fit too.
    class Refusing : public Adjusting {
    public:
        bool splitView_shouldAdjustSizeOfSubview(SplitView&, View*) override { return false; }
    };
    auto refusing = std::make_shared<Refusing>();
    split->setDelegate(refusing);
    const double before = left->frame().width();
    split->setFrameSize({402, 120});
    EXPECT_GT(left->frame().width(), before);
}

}  // namespace
}  // namespace platform::ui
