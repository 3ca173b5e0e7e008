// Page dots, the sliding pager and the paged windows: which page shows, how it slides in, one transition
// at a time, going back, the pages' places and the series' visibility.

#include <gtest/gtest.h>

#include "platform/base/Log.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Window.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/pagers/BasePagerViewController.h"
#include "uikit/pagers/KSPageViewControllerExtended.h"
#include "uikit/pagers/PageControl.h"

namespace kestrune {
namespace {

using ui::Rect;

class PagersTest : public ui::test::Fixture {
protected:
    // A pager in a window, as the settings window's detail pane holds it.
    std::shared_ptr<BasePagerViewController> shownPager() {
        auto pager = BaseViewController::create<BasePagerViewController>();
        auto w = window({0, 0, 850, 530});
        w->contentView()->addSubview(pager->view());
        return pager;
    }
    static std::shared_ptr<BaseViewController> page(std::optional<std::string> id = std::nullopt) {
        auto p = BaseViewController::create();
        p->setComparisonIdentifier(std::move(id));
        return p;
    }
    // Lets every running transition end (they run on timers, which idling alone does not reach).
    void finish() { advance(1); }
    // The animated changes of a view recorded since the test began.
    static std::vector<ui::AnimationRecord> recordsOf(const std::shared_ptr<ui::View>& view) {
        std::vector<ui::AnimationRecord> found;
        for (const auto& record : ui::AnimationContext::recorded())
            if (record.target.lock() == view) found.push_back(record);
        return found;
    }
};

TEST_F(PagersTest, DotsLieAtTheirDistanceAndTheMarkerTakesTheCurrentDotsPlace) {
    registerImage("wizzard_page_indicator_empty", {10, 10});
    registerImage("wizzard_page_indicator_full", {10, 10});
    auto dots = PageControl::create({0, 0, 100, 10});
    dots->setNumberOfDots(4);
    ASSERT_EQ(dots->pageIndicatorArray().size(), 4u);
    EXPECT_EQ(dots->subviews().front(), dots->activePageIndicator());
    EXPECT_EQ(dots->subviews().size(), 5u);
    EXPECT_EQ(dots->pageIndicatorForIndex(3)->frame(), (Rect{60, 0, 10, 10}));
    EXPECT_EQ(dots->pageIndicatorForIndex(3)->image()->name(), "wizzard_page_indicator_full");
    EXPECT_EQ(dots->activePageIndicator()->image()->name(), "wizzard_page_indicator_empty");
    EXPECT_FALSE(dots->pageIndicatorForIndex(4));
    EXPECT_FALSE(dots->pageIndicatorForIndex(-1));

    dots->setDotActiveAtIndex_animated(2, false);
    EXPECT_EQ(dots->indexSelected(), 2);
    EXPECT_EQ(dots->activePageIndicator()->frame().origin, (ui::Point{40, 0}));
    // Moved through its animator even when not asked to animate.
    EXPECT_EQ(recordsOf(dots->activePageIndicator()).size(), 1u);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(dots->pageIndicatorForIndex(i)->alphaValue(), i == 2 ? 0.0 : 1.0) << i;

    dots->setNumberOfDots(2);
    EXPECT_EQ(dots->subviews().size(), 3u);
    EXPECT_FALSE(dots->pageIndicatorForIndex(2));
}

// Without pictures of their own, the dots are drawn by code at the size shown: round, sharp at the
// backing scale, the current one in the product green over the place of its hidden grey dot.
TEST_F(PagersTest, TheDotsAreDrawnByCodeAndSharpAtTheBackingScale) {
    auto w = window({0, 0, 200, 100});
    auto dots = PageControl::create({40, 20, 70, 10});
    w->contentView()->addSubview(dots);
    dots->setNumberOfDots(4);
    dots->setDotActiveAtIndex_animated(1, false);
    ASSERT_TRUE(dots->activePageIndicator()->image());
    EXPECT_TRUE(dots->activePageIndicator()->image()->drawingHandler());
    EXPECT_EQ(dots->activePageIndicator()->image()->size(), (ui::Size{10, 10}));
    EXPECT_TRUE(dots->pageIndicatorForIndex(0)->image()->drawingHandler());
    settle();
    const auto pixels = renderPNG(*dots, home() + "/dots.png");
    ASSERT_EQ(pixels.width, 140);
    ASSERT_EQ(pixels.height, 20);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const auto centre = pixels.rgbaAt(40 * i + 10, 10);
        EXPECT_EQ(centre.a, 255);
        if (i == 1)
            EXPECT_TRUE(centre.r == 0x09 && centre.g == 0xD2 && centre.b == 0x61);
        else
            EXPECT_TRUE(centre.r == 0xC9 && centre.g == 0xCC && centre.b == 0xCB);
        // A dot fills its ten points edge to edge on its middle row and nothing outside them.
        EXPECT_GT(pixels.rgbaAt(40 * i, 10).a, 0);
        EXPECT_GT(pixels.rgbaAt(40 * i + 19, 10).a, 0);
        if (i > 0) {
            EXPECT_EQ(pixels.rgbaAt(40 * i - 1, 10).a, 0);
        }
        if (i < 3) {
            EXPECT_EQ(pixels.rgbaAt(40 * i + 20, 10).a, 0);
        }
    }
}

TEST_F(PagersTest, APageSlidesInFromItsSideWhileTheOldOneSlidesOutAndIsRemoved) {
    auto pager = shownPager();
    auto first = page(), second = page();
    pager->showViewController_animation(first, BasePagerViewController::kNone);
    finish();
    const Rect bounds = pager->contentViewContainer()->bounds();
    EXPECT_EQ(first->view()->frame(), bounds);
    EXPECT_EQ(first->view()->alphaValue(), 1.0);

    pager->showViewController_animation(second, BasePagerViewController::kRight);
    EXPECT_EQ(pager->currentViewController(), second);
    EXPECT_TRUE(pager->isAnimating());
    // It waits at the right-hand side, transparent, until the next moment.
    EXPECT_EQ(second->view()->frame(), (Rect{bounds.width() / 2, 0, bounds.width(), bounds.height()}));
    EXPECT_EQ(second->view()->alphaValue(), 0.0);
    advance(0.01);
    EXPECT_EQ(second->view()->frame(), bounds);
    const auto slides = recordsOf(second->view());
    ASSERT_EQ(slides.size(), 2u);
    EXPECT_DOUBLE_EQ(slides[0].duration, 0.45);
    EXPECT_EQ(first->view()->frame(), (Rect{-bounds.width() / 2, 0, bounds.width(), bounds.height()}));
    advance(0.44);
    EXPECT_TRUE(pager->isAnimating());
    EXPECT_EQ(first->view()->superview(), pager->contentViewContainer().get());
    advance(0.02);
    EXPECT_FALSE(pager->isAnimating());
    EXPECT_FALSE(first->view()->superview());
    EXPECT_FALSE(pager->oldContentView());
}

TEST_F(PagersTest, TheCurrentPageOrOneWithItsIdentifierChangesNothing) {
    auto pager = shownPager();
    auto first = page("help");
    pager->showViewController_animation(first, BasePagerViewController::kNone);
    finish();
    const auto before = ui::AnimationContext::recorded().size();
    pager->showViewController_animation(first, BasePagerViewController::kRight);
    pager->showViewController_animation(page("help"), BasePagerViewController::kRight);
    EXPECT_FALSE(pager->isAnimating());
    EXPECT_EQ(pager->currentViewController(), first);
    finish();
    EXPECT_EQ(ui::AnimationContext::recorded().size(), before);
}

TEST_F(PagersTest, OfTwoChangesAskedForDuringATransitionOnlyTheSecondRuns) {
    auto pager = shownPager();
    auto first = page(), skipped = page(), last = page();
    pager->showViewController_animation(first, BasePagerViewController::kRight);
    pager->showViewController_animation(skipped, BasePagerViewController::kRight);
    pager->showViewController_animation(last, BasePagerViewController::kLeft);
    EXPECT_TRUE(pager->hasPendingChange());
    finish();
    EXPECT_EQ(pager->contentView(), last->view());
    EXPECT_FALSE(skipped->view()->superview());
    EXPECT_FALSE(pager->hasPendingChange());
    // The waiting one started when the first had come in.
    EXPECT_EQ(pager->contentViewContainer()->subviews(),
              std::vector<std::shared_ptr<ui::View>>{last->view()});
}

TEST_F(PagersTest, TheIndexPicksTheSideAndAnEqualIndexSwapsWithoutSlideYetNotAtOnce) {
    auto pager = shownPager();
    auto a = page(), b = page(), c = page(), d = page();
    pager->showViewController_withAnimationIndex(a, 1);
    EXPECT_EQ(pager->currentAutomaticAnimationIndex(), 1.0f);
    finish();
    const Rect bounds = pager->contentViewContainer()->bounds();
    pager->showViewController_withAnimationIndex(b, 0.5);
    EXPECT_EQ(b->view()->frame().minX(), -bounds.width() / 2);  // from the left
    finish();
    pager->showViewController_withAnimationIndex(c, 0.5);
    // Equal: no slide, no duration, but still in steps of a hundredth of a second.
    EXPECT_TRUE(pager->isAnimating());
    EXPECT_EQ(c->view()->alphaValue(), 0.0);
    advance(0.01);
    EXPECT_EQ(c->view()->alphaValue(), 1.0);
    EXPECT_EQ(c->view()->frame(), bounds);
    EXPECT_TRUE(pager->isAnimating());
    advance(0.01);
    EXPECT_FALSE(pager->isAnimating());
    EXPECT_FALSE(b->view()->superview());
    for (const auto& record : recordsOf(c->view())) EXPECT_EQ(record.duration, 0);
    // Not animated: no slide, yet the index is recorded.
    pager->showViewController_withAnimationIndex_animated(d, 7, false);
    EXPECT_EQ(pager->currentAutomaticAnimationIndex(), 7.0f);
    EXPECT_EQ(d->view()->frame().minX(), 0);
}

TEST_F(PagersTest, BackShowsThePageTheCurrentOneOffersFromTheLeftAndAnswersYes) {
    auto pager = shownPager();
    auto earlier = page(), current = page();
    pager->showViewController_animation(current, BasePagerViewController::kNone);
    finish();
    EXPECT_FALSE(pager->performCustomActionOnBackButtonToggled());  // no back action
    current->setBackActionViewController([] { return std::shared_ptr<BaseViewController>(); });
    EXPECT_FALSE(pager->performCustomActionOnBackButtonToggled());  // it leads nowhere
    current->setBackActionViewController([earlier] { return earlier; });
    EXPECT_TRUE(pager->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(pager->currentViewController(), earlier);
    EXPECT_EQ(earlier->view()->frame().minX(), -pager->contentViewContainer()->bounds().width() / 2);
}

// A paged window that counts the pages it was told it showed.
class CountingPager : public KSPageViewControllerExtended {
public:
    std::vector<int64_t> shown;
    void didFinishShowingPageAtIndex(int64_t index) override { shown.push_back(index); }
};

TEST_F(PagersTest, PagesLieSideBySideAndAPageAtATakenIndexReplacesTheOldOne) {
    // The page turned to is debugging detail, logged only with the debug switch on.
    platform::Log::setDebug(true);
    auto pager = KSWindowController::create<CountingPager>();
    ASSERT_TRUE(pager->window());
    ASSERT_TRUE(pager->scrollView());
    EXPECT_FALSE(pager->scrollView()->hasHorizontalScroller());
    pager->setNumberOfPages(3);
    EXPECT_EQ(pager->pageContentView()->frame(), (Rect{0, 0, 3 * 850, 530}));
    EXPECT_EQ(pager->scrollView()->documentView(), pager->pageContentView());
    auto a = page(), b = page(), replacement = page();
    pager->addController_asPageAtIndex(a, 0);
    pager->addController_asPageAtIndex(b, 2);
    EXPECT_EQ(b->view()->frame(), (Rect{1700, 0, 850, 530}));
    pager->addController_asPageAtIndex(replacement, 2);
    EXPECT_FALSE(b->view()->superview());
    EXPECT_EQ(pager->controllerAtPageIndex(2), replacement);
    EXPECT_EQ(pager->addedViewControllers().size(), 2u);

    pager->showPageAtIndex_animated(2, false);
    EXPECT_EQ(pager->pageIndex(), 2);
    EXPECT_EQ(pager->scrollView()->contentView()->bounds().origin.x, 1700);
    EXPECT_EQ(pager->shown, std::vector<int64_t>{2});
    EXPECT_TRUE(logged("pageIndex: 2"));
    platform::Log::setDebug(false);
    pager->removeControllerAtPageIndex(0);
    EXPECT_FALSE(a->view()->superview());
    EXPECT_FALSE(pager->controllerAtPageIndex(0));
}

TEST_F(PagersTest, TheSeriesReportsEachChangeOfItsVisibilityOnce) {
    auto pager = KSWindowController::create<CountingPager>();
    std::vector<bool> reports;
    pager->setViewVisibilityHandler([&](bool visible) { reports.push_back(visible); });
    auto w = pager->window();
    pager->setNumberOfPages(2);
    auto a = page(), b = page();
    pager->addController_asPageAtIndex(a, 0);
    pager->addController_asPageAtIndex(b, 1);
    w->orderFront(nullptr);
    settle();
    EXPECT_TRUE(pager->isVisible());
    EXPECT_EQ(reports, std::vector<bool>{true});
    // One page leaves: the series is still visible.
    pager->removeControllerAtPageIndex(1);
    EXPECT_EQ(reports, std::vector<bool>{true});
    w->orderOut(nullptr);
    settle();
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));
    pager->updateViewVisibility();
    EXPECT_EQ(reports.size(), 2u);
    pager->addViewVisibilityActions();
    EXPECT_EQ(reports, (std::vector<bool>{true, false, false}));
}

}  // namespace
}  // namespace kestrune
