// Coordinates, hit testing and scrolling of views.

#include <gtest/gtest.h>

#include "platform/base/NotificationCenter.h"
#include "platform/ui/ScrollView.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class FlippedView : public View {
public:
    bool isFlipped() const override { return true; }
};

class ViewGeometryTest : public test::Fixture {
protected:
    // content (unflipped) ⊃ a (unflipped, 50,40 200×150) ⊃ b (flipped, 10,20 100×80, scrolled 30 down)
    // ⊃ c (unflipped, 5,10 40×20)
    void SetUp() override {
        test::Fixture::SetUp();
        w = window({100, 100, 400, 300});
        a = View::create({50, 40, 200, 150});
        b = make<FlippedView>(Rect{10, 20, 100, 80});
        b->setBoundsOrigin({0, 30});
        c = View::create({5, 10, 40, 20});
        w->contentView()->addSubview(a);
        a->addSubview(b);
        b->addSubview(c);
    }
    std::shared_ptr<Window> w;
    std::shared_ptr<View> a, b, c;
};

TEST_F(ViewGeometryTest, PointsCrossFlippedAndScrolledNestsBothWays) {
    struct Case {
        Point inC;
        Point inB;
        Point inA;
        Point inWindow;
    };
    // Worked by hand: b's bounds start 30 points down, so c (y 10..30 in b) sits above b's visible top.
    const Case cases[] = {
        {{0, 0}, {5, 30}, {15, 100}, {65, 140}},
        {{0, 20}, {5, 10}, {15, 120}, {65, 160}},
        {{40, 10}, {45, 20}, {55, 110}, {105, 150}},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(c->convertPoint_toView(k.inC, b.get()), k.inB);
        EXPECT_EQ(c->convertPoint_toView(k.inC, a.get()), k.inA);
        EXPECT_EQ(c->convertPoint_toView(k.inC, nullptr), k.inWindow);
        EXPECT_EQ(c->convertPoint_fromView(k.inWindow, nullptr), k.inC);
        EXPECT_EQ(b->convertPoint_fromView(k.inC, c.get()), k.inB);
    }
    EXPECT_EQ(c->convertRect_toView(c->bounds(), nullptr), Rect(65, 140, 40, 20));
    EXPECT_EQ(a->convertRect_fromView(c->bounds(), c.get()), Rect(15, 100, 40, 20));
}

TEST_F(ViewGeometryTest, HitTestingCountsTransparentViewsButNotHiddenOnesNorScrolledOutOnes) {
    auto content = w->contentView();
    // c lies outside b's visible bounds: the point falls to a.
    EXPECT_EQ(content->hitTest({67, 141}), a.get());
    EXPECT_EQ(content->hitTest({85, 100}), b.get());

    auto under = View::create({300, 10, 50, 50});
    auto over = View::create({300, 10, 50, 50});
    content->addSubview(under);
    content->addSubview(over);
    over->setAlphaValue(0);
    EXPECT_EQ(content->hitTest({320, 30}), over.get());
    over->setHidden(true);
    EXPECT_EQ(content->hitTest({320, 30}), under.get());
    a->setHidden(true);
    EXPECT_EQ(content->hitTest({67, 141}), content.get());
}

TEST_F(ViewGeometryTest, AutoresizingSharesTheChangeBetweenFlexibleParts) {
    auto child = View::create({10, 10, 100, 50});
    child->setAutoresizingMask(kViewWidthSizable | kViewMinXMargin | kViewMaxYMargin);
    a->addSubview(child);
    a->setFrameSize({260, 170});  // +60 wide, +20 high
    EXPECT_EQ(child->frame(), Rect(40, 10, 130, 50));
}

class ScrollingTest : public test::Fixture {
protected:
    void SetUp() override {
        test::Fixture::SetUp();
        w = window({100, 100, 400, 300});
        scroll = ScrollView::create({0, 0, 200, 100});
        document = make<FlippedView>(Rect{0, 0, 200, 500});
        scroll->setDocumentView(document);
        w->contentView()->addSubview(scroll);
    }
    std::shared_ptr<Window> w;
    std::shared_ptr<ScrollView> scroll;
    std::shared_ptr<View> document;
};

TEST_F(ScrollingTest, ScrollToPointClampsAndSettingTheBoundsOriginDoesNot) {
    auto clip = scroll->contentView();
    clip->scrollToPoint({0, 450});
    EXPECT_EQ(clip->bounds().origin, Point(0, 400));
    clip->scrollToPoint({-10, -5});
    EXPECT_EQ(clip->bounds().origin, Point(0, 0));
    clip->setBoundsOrigin({0, 450});
    EXPECT_EQ(clip->bounds().origin, Point(0, 450));

    document->scrollPoint({0, 120});
    EXPECT_EQ(clip->bounds().origin, Point(0, 120));
    document->scrollPoint({0, 480});
    EXPECT_EQ(clip->bounds().origin, Point(0, 400));
    // A rectangle below the visible part brings its bottom edge to the bottom of the clip view.
    clip->scrollToPoint({0, 0});
    EXPECT_TRUE(document->scrollRectToVisible({0, 150, 10, 20}));
    EXPECT_EQ(clip->bounds().origin, Point(0, 70));
    EXPECT_FALSE(document->scrollRectToVisible({0, 100, 10, 20}));
}

TEST_F(ScrollingTest, BoundsNotificationsArePostedSynchronouslyOnlyWhenAskedFor) {
    auto clip = scroll->contentView();
    int posted = 0;
    const void* sender = nullptr;
    std::shared_ptr<ClipView> object;
    auto observation = NotificationCenter::defaultCenter().addObserver(
        View::kBoundsDidChangeNotification, nullptr,
        [&](const Notification& n) { ++posted, sender = n.sender, object = n.object.objectAs<ClipView>(); });
    clip->setBoundsOrigin({0, 10});
    EXPECT_EQ(posted, 0);
    clip->setPostsBoundsChangedNotifications(true);
    clip->setBoundsOrigin({0, 20});
    EXPECT_EQ(posted, 1);  // before the setter returned
    EXPECT_EQ(sender, clip.get());
    EXPECT_EQ(object, clip);
    clip->setBoundsOrigin({0, 20});  // no change, no notification
    EXPECT_EQ(posted, 1);
}

TEST(ScrollViewContentSize, DependsOnBorderAndScrollerStyle) {
    struct Case {
        BorderType border;
        ScrollerStyle style;
        Size expected;
    };
    const Case cases[] = {
        {BorderType::None, ScrollerStyle::Legacy, {185, 100}},
        {BorderType::Line, ScrollerStyle::Legacy, {183, 98}},
        {BorderType::Bezel, ScrollerStyle::Legacy, {183, 98}},
        {BorderType::Groove, ScrollerStyle::Legacy, {181, 96}},
        {BorderType::Groove, ScrollerStyle::Overlay, {196, 96}},
        {BorderType::None, ScrollerStyle::Overlay, {200, 100}},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(ScrollView::contentSizeForFrameSize({200, 100}, false, true, k.border, k.style),
                  k.expected);
        EXPECT_EQ(ScrollView::frameSizeForContentSize(k.expected, false, true, k.border, k.style),
                  Size(200, 100));
    }
}

}  // namespace
}  // namespace platform::ui
