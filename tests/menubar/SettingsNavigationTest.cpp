// The settings window's navigation: the window it sets up, the stack of pages (root from the master
// list, pushes from pages, pops), the content swap with its timing and its one waiting slot, and Back.

#include <gtest/gtest.h>

#include <map>

#include "menubar/lists/ListViewModelFactory.h"
#include "menubar/navigation/KestruneMasterDetailNavManager.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Application.h"
#include "platform/ui/Nib.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/bases/KestruneListViewWindow.h"
#include "uikit/views/ViewAdditions.h"

namespace kestrune {
namespace {

using ui::Rect;

// A list page with a title; it may handle Back itself.
class TitledPage : public ListViewModelController {
public:
    static std::shared_ptr<TitledPage> make(const std::string& title) {
        auto page = std::make_shared<TitledPage>();
        page->init();
        page->setTitleDescription(title);
        return page;
    }
    bool performCustomActionOnBackButtonToggled() override {
        ++backs;
        return handlesBack;
    }
    bool handlesBack = false;
    int backs = 0;
};

// A screen made as a window controller (on the list window's layout), counting its refreshes.
class CountingScreen : public KestruneListViewWindow {
public:
    void updateWindowView() override { ++refreshes; }
    std::string titleDescriptionText() const override { return "Screen"; }
    int refreshes = 0;
};

// A screen without a layout of its own.
class PlainScreen : public KSWindowController {};

class SettingsNavigationTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        window = WAYSourceListWindow::create({0, 0, 800, 500});
        navigation = KestruneMasterDetailNavManager::create();
        navigation->setup(window);
        ui::Application::shared().activateIgnoringOtherApps(true);
        window->makeKeyAndOrderFront();
        for (const char* title : {"Devices", "Set-up", "Music", "Help"})
            pages.push_back(TitledPage::make(title));
    }
    void TearDown() override {
        window->close();
        settle();
        Fixture::TearDown();
    }

    // A master list of its own: one row per page, each showing its page as the root.
    void giveMasterList() {
        std::vector<std::shared_ptr<ListCellViewModel>> rows;
        for (size_t i = 0; i < pages.size(); ++i) {
            std::weak_ptr<KestruneMasterDetailNavManager> weak = navigation;
            std::weak_ptr<TitledPage> page = pages[i];
            auto row =
                ListViewModelFactory::regularCellWithIcon_title_action("", pages[i]->titleDescription(), [=] {
                    if (auto self = weak.lock()) self->showDetailList_source(page.lock(), 1);
                });
            row->setRowId("row" + std::to_string(i));
            rows.push_back(row);
        }
        navigation->setInitialListViewModel(rows);
    }
    void root(size_t i) { navigation->showDetailList_source(pages[i], 1); }
    void push(size_t i) { navigation->pushDetailList(pages[i]); }
    std::vector<std::string> stack() const {
        std::vector<std::string> titles;
        for (const auto& page : navigation->viewModelStack()) titles.push_back(page->titleDescriptionText());
        return titles;
    }
    std::shared_ptr<ui::View> shown() const { return navigation->detail()->currentContentView(); }
    ui::View& pane() const { return *navigation->detail()->view(); }
    // Where a page starts when it slides in: its container's bounds moved by half a side.
    Rect contentBounds() const { return navigation->detail()->contentViewContainer->bounds(); }
    Rect fullBounds() const { return navigation->detail()->fullscreenContentContainer->bounds(); }
    void finishSwaps() { advance(1.0); }

    std::shared_ptr<WAYSourceListWindow> window;
    std::shared_ptr<KestruneMasterDetailNavManager> navigation;
    std::vector<std::shared_ptr<TitledPage>> pages;
};

TEST_F(SettingsNavigationTest, TheWindowIsSetUpAt200By200With1095By575AndA245PointMaster) {
    EXPECT_EQ(window->frame(), (Rect{200, 200, 1095, 575}));
    EXPECT_EQ(window->minSize(), (ui::Size{1095, 575}));
    EXPECT_TRUE(window->darkMasterViewMaterial());
    EXPECT_EQ(window->minimumMasterViewWidth(), 245);
    EXPECT_EQ(window->maximumMasterViewWidth(), 245);
    EXPECT_EQ(window->initialMasterViewWidth(), 245);
    EXPECT_EQ(window->masterViewWrapper()->frame().width(), 245);
    EXPECT_EQ(window->masterView(), navigation->master()->view());
    EXPECT_EQ(window->detailView(), navigation->detail()->view());
    for (auto button : {ui::Window::StandardButton::Close, ui::Window::StandardButton::Miniaturize,
                        ui::Window::StandardButton::Zoom})
        EXPECT_FALSE(window->isStandardButtonHidden(button));
    EXPECT_FALSE(navigation->master()->listView->hasVerticalScroller());
    EXPECT_TRUE(navigation->master()->listView->isScrollToTopDisabled());
    EXPECT_EQ(navigation->detail()->backButton->title(), "BACK");  // the flat button's capitals
    EXPECT_EQ(navigation->detail()->backButton->iconName(), "back_arrow");

    navigation->setFooterText("Version 2.4");
    EXPECT_EQ(navigation->master()->bottomTextField->stringValue(), "Version 2.4");
    EXPECT_EQ(navigation->master()->bottomTextField->textColor(), ui::Color::lightGrayColor());
}

TEST_F(SettingsNavigationTest, APageFillsThePaneAndAScreenUnderTheBarGetsAScreensWholeHeight) {
    root(0);
    finishSwaps();
    // No strip is kept at the top: the window's title bar is transparent and its buttons are over the
    // master pane.
    EXPECT_EQ(shown()->frame(), pane().bounds());
    auto screen = KSWindowController::create<PlainScreen>();
    screen->setWindow(ui::Window::create({0, 0, 850, 530}));
    navigation->pushDetailController(screen);
    finishSwaps();
    EXPECT_EQ(shown(), screen->mainView());
    EXPECT_EQ(shown()->frame().height(), 530);  // a screen page's height: nothing of its top is cut
    EXPECT_EQ(shown()->frame().maxY(), navigation->detail()->navbar->frame().minY());
}

TEST_F(SettingsNavigationTest, ThePageAndItsListFollowTheWindowsWidth) {
    root(0);
    finishSwaps();
    const Rect frame = window->frame();
    for (double width : {1400.0, frame.width()}) {
        window->setFrame({frame.origin, {width, frame.height()}});
        settle();
        SCOPED_TRACE(width);
        EXPECT_EQ(shown()->frame(), pane().bounds());
        EXPECT_EQ(pages[0]->listView->frame().width(), pane().bounds().width());
    }
    EXPECT_EQ(pane().bounds().width(), window->detailViewWrapper()->bounds().width());
}

TEST_F(SettingsNavigationTest, TheMasterListOpensItsFirstRowAndSlidesPagesAsTheSelectionMoves) {
    giveMasterList();
    EXPECT_EQ(stack(), std::vector<std::string>{"Devices"});
    EXPECT_EQ(shown(), pages[0]->mainView());
    EXPECT_EQ(navigation->detail()->titleText->stringValue(), "Devices");
    EXPECT_TRUE(navigation->detail()->backButton->isHidden());
    finishSwaps();

    bool done = false;
    navigation->selectRowId_completion("row3", [&] { done = true; });
    EXPECT_EQ(stack(), std::vector<std::string>{"Help"});
    // Downward in the list: the page comes from below, full height (no navigation bar at the root).
    EXPECT_EQ(pages[3]->mainView()->frame(), frameDown(*navigation->detail()->fullscreenContentContainer));
    finishSwaps();
    EXPECT_TRUE(done);
    EXPECT_EQ(pages[3]->mainView()->frame(), fullBounds());

    navigation->selectRowId_completion("row1", nullptr);
    EXPECT_EQ(pages[1]->mainView()->frame(), frameUp(*navigation->detail()->fullscreenContentContainer));
    finishSwaps();
    navigation->selectRowId_completion("row2", nullptr);
    EXPECT_EQ(pages[2]->mainView()->frame(), frameDown(*navigation->detail()->fullscreenContentContainer));
    finishSwaps();
    EXPECT_EQ(stack(), std::vector<std::string>{"Music"});
    // Pages that left are out of the pane.
    EXPECT_EQ(pane().subviews().size(), 4u);  // two places, the bar and the page
}

TEST_F(SettingsNavigationTest, ChoosingTheRootAgainDoesNothingUnlessPoppingToRoot) {
    root(0);
    finishSwaps();
    push(1);
    finishSwaps();
    EXPECT_EQ(stack(), (std::vector<std::string>{"Devices", "Set-up"}));
    EXPECT_EQ(pages[1]->mainView()->frame(), contentBounds());
    EXPECT_FALSE(navigation->detail()->backButton->isHidden());

    root(0);
    EXPECT_FALSE(navigation->detail()->isAnimating());
    EXPECT_EQ(stack(), (std::vector<std::string>{"Devices", "Set-up"}));

    navigation->showDetailList_title_source_popToRoot(pages[0], "", 1, true);
    EXPECT_EQ(stack(), std::vector<std::string>{"Devices"});
    // Back to the root: the page comes from the left.
    EXPECT_EQ(pages[0]->mainView()->frame(), frameLeft(*navigation->detail()->fullscreenContentContainer));
    EXPECT_TRUE(navigation->detail()->backButton->isHidden());
    finishSwaps();
    EXPECT_EQ(shown(), pages[0]->mainView());
    EXPECT_EQ(pages[0]->mainView()->alphaValue(), 1);
}

TEST_F(SettingsNavigationTest, PushingAPageAlreadyOnTheStackDoesNothing) {
    root(0);
    push(1);
    push(2);
    finishSwaps();
    EXPECT_EQ(stack(), (std::vector<std::string>{"Devices", "Set-up", "Music"}));
    push(2);
    push(1);
    navigation->pushViewModel(ListDetailViewModel::initWithTitle_list("", pages[2]));
    EXPECT_EQ(stack(), (std::vector<std::string>{"Devices", "Set-up", "Music"}));
    EXPECT_FALSE(navigation->detail()->isAnimating());
    EXPECT_EQ(navigation->detail()->titleText->stringValue(), "Music");

    navigation->replaceTopViewModel(ListDetailViewModel::initWithTitle_list("", pages[3]));
    EXPECT_EQ(stack(), (std::vector<std::string>{"Devices", "Set-up", "Help"}));
    finishSwaps();
    navigation->popToRootAnimated(false);
    EXPECT_EQ(stack(), std::vector<std::string>{"Devices"});
    advance(0.01);
    EXPECT_EQ(pages[0]->mainView()->frame(), fullBounds());  // no slide
}

TEST_F(SettingsNavigationTest, PresentingTheShownPageAgainKeepsItShown) {
    root(0);
    push(1);
    finishSwaps();
    navigation->pushAndPopIfNeeded_animted(ListDetailViewModel::initWithTitle_list("", pages[1]), true);
    finishSwaps();
    EXPECT_EQ(stack(), (std::vector<std::string>{"Devices", "Set-up"}));
    EXPECT_EQ(shown(), pages[1]->mainView());
    EXPECT_EQ(pages[1]->mainView()->superview(), &pane());
    EXPECT_EQ(pages[1]->mainView()->alphaValue(), 1);
    EXPECT_EQ(pages[1]->mainView()->frame(), contentBounds());
    EXPECT_EQ(navigation->detail()->navbar->alphaValue(), 1);
    EXPECT_FALSE(navigation->detail()->isAnimating());
}

TEST_F(SettingsNavigationTest, PoppingTheLastPageDoesNothingAndBackHides) {
    root(0);
    navigation->pop();
    navigation->popViewModelAnimated(true);
    navigation->popToRootView();
    EXPECT_EQ(stack(), std::vector<std::string>{"Devices"});
    EXPECT_TRUE(navigation->detail()->backButton->isHidden());
    finishSwaps();
    push(1);
    EXPECT_FALSE(navigation->detail()->backButton->isHidden());
    finishSwaps();
    navigation->popViewModelAnimated(true);
    EXPECT_TRUE(navigation->detail()->backButton->isHidden());
    EXPECT_EQ(navigation->detail()->titleText->stringValue(), "Devices");
}

TEST_F(SettingsNavigationTest, ASwapSlidesAndFadesIn045SecondsWithTheBar) {
    root(0);
    finishSwaps();
    ui::AnimationContext::resetForTesting();
    bool done = false;
    const double start = now();
    navigation->detail()->updateContentView_animationDirection_hasNavbar_completion(
        pages[1]->mainView(), 3, true, [&] { done = true; });
    EXPECT_EQ(pages[1]->mainView()->frame(), frameRight(*navigation->detail()->contentViewContainer));
    EXPECT_EQ(pages[1]->mainView()->alphaValue(), 0);
    advance(0.01);
    std::map<std::string, double> durations;
    for (const auto& record : ui::AnimationContext::recorded()) {
        auto target = record.target.lock();
        const std::string who = target == pages[1]->mainView()           ? "new"
                                : target == pages[0]->mainView()         ? "old"
                                : target == navigation->detail()->navbar ? "bar"
                                                                         : "other";
        durations[who + " " + record.key] = record.duration;
    }
    EXPECT_EQ(durations, (std::map<std::string, double>{{"bar alphaValue", 0.45},
                                                        {"new alphaValue", 0.45},
                                                        {"new frame", 0.45},
                                                        {"old alphaValue", 0.45},
                                                        {"old frame", 0.45}}));
    // The page leaving goes to the left of the place the new one takes.
    EXPECT_EQ(pages[0]->mainView()->frame(), frameLeft(*navigation->detail()->contentViewContainer));
    advance(0.44);
    EXPECT_FALSE(done);
    EXPECT_EQ(pages[0]->mainView()->superview(), &pane());
    advance(0.01);
    EXPECT_TRUE(done);
    EXPECT_NEAR(now() - start, 0.46, 1e-6);
    EXPECT_EQ(pages[0]->mainView()->superview(), nullptr);
    EXPECT_EQ(navigation->detail()->oldContentView(), nullptr);
}

TEST_F(SettingsNavigationTest, ASwapWithoutDirectionEndsInHundredthsOfASecond) {
    auto& detail = *navigation->detail();
    int done = 0;
    detail.updateContentView_animationDirection_completion(pages[0]->mainView(), 0, [&] { ++done; });
    EXPECT_EQ(done, 0);  // never inside the call
    advance(0.01);
    EXPECT_EQ(done, 1);
    detail.updateContentView_animationDirection_completion(pages[1]->mainView(), 0, [&] { ++done; });
    advance(0.01);
    EXPECT_EQ(done, 1);  // the old page still has its own step
    advance(0.01);
    EXPECT_EQ(done, 2);
    EXPECT_EQ(pages[0]->mainView()->superview(), nullptr);
    EXPECT_EQ(pages[1]->mainView()->alphaValue(), 1);
}

TEST_F(SettingsNavigationTest, OnlyTheLastOfTheSwapsAskedDuringOneRunsAfterIt) {
    auto& detail = *navigation->detail();
    std::vector<int> completed;
    detail.updateContentView_animationDirection_completion(pages[0]->mainView(), 2,
                                                           [&] { completed.push_back(0); });
    for (int i : {1, 2, 3})
        detail.updateContentView_animationDirection_completion(pages[i]->mainView(), 3,
                                                               [&completed, i] { completed.push_back(i); });
    ASSERT_TRUE(detail.queuedAnimation());
    EXPECT_EQ(detail.queuedAnimation()->view, pages[3]->mainView());
    advance(0.46);
    EXPECT_EQ(completed, std::vector<int>{0});
    EXPECT_EQ(detail.currentContentView(), pages[3]->mainView());
    EXPECT_FALSE(detail.queuedAnimation());
    advance(5);
    EXPECT_EQ(completed, (std::vector<int>{0, 3}));
    EXPECT_EQ(pages[1]->mainView()->superview(), nullptr);
    EXPECT_EQ(pages[2]->mainView()->superview(), nullptr);
    EXPECT_FALSE(detail.isAnimating());
}

TEST_F(SettingsNavigationTest, PagesAreTheSameByComparisonIdentifierOrElseByController) {
    auto first = ListViewModelController::initWithListViewModel({});
    auto second = ListViewModelController::initWithListViewModel({});
    auto wrap = [](std::shared_ptr<BaseViewController> c) {
        return ListDetailViewModel::initWithTitle_list("", c);
    };
    EXPECT_FALSE(wrap(first)->isEqual(*wrap(second)));  // one layout, two controllers
    EXPECT_TRUE(wrap(first)->isEqual(*wrap(first)));
    first->setComparisonIdentifier("clipboard");
    EXPECT_TRUE(wrap(first)->isEqual(*wrap(first)));
    EXPECT_FALSE(wrap(first)->isEqual(*wrap(second)));  // one identifier decides
    EXPECT_FALSE(wrap(second)->isEqual(*wrap(first)));
    second->setComparisonIdentifier("clipboard");
    EXPECT_TRUE(wrap(first)->isEqual(*wrap(second)));

    // Screens made as window controllers are the same screen when their layouts are.
    auto screen = [](std::shared_ptr<KSWindowController> c) {
        return ListDetailViewModel::initWithTitle_controller("", c);
    };
    auto history = KSWindowController::create<KestruneListViewWindow>();
    auto again = KSWindowController::create<KestruneListViewWindow>();
    EXPECT_TRUE(screen(history)->isEqual(*screen(again)));
    EXPECT_TRUE(screen(history)->isEqual(*screen(KSWindowController::create<CountingScreen>())));
    auto plain = KSWindowController::create<PlainScreen>();
    EXPECT_FALSE(screen(plain)->isEqual(*screen(KSWindowController::create<PlainScreen>())));
    EXPECT_TRUE(screen(plain)->isEqual(*screen(plain)));
    EXPECT_FALSE(screen(history)->isEqual(*wrap(first)));
    EXPECT_EQ(ListDetailViewModel().titleDescriptionText(), "");
    EXPECT_FALSE(ListDetailViewModel().performCustomActionOnBackButtonToggled());
}

TEST_F(SettingsNavigationTest, BackRunsThePagesOwnActionOrPops) {
    root(0);
    push(1);
    finishSwaps();
    pages[1]->handlesBack = true;
    auto& back = *navigation->detail()->backButton;
    click(back, {back.bounds().width() / 2, back.bounds().height() / 2});
    EXPECT_EQ(pages[1]->backs, 1);
    EXPECT_EQ(stack(), (std::vector<std::string>{"Devices", "Set-up"}));
    pages[1]->handlesBack = false;
    click(back, {back.bounds().width() / 2, back.bounds().height() / 2});
    EXPECT_EQ(stack(), std::vector<std::string>{"Devices"});
    EXPECT_EQ(pages[0]->mainView()->frame(), frameLeft(*navigation->detail()->fullscreenContentContainer));
}

TEST_F(SettingsNavigationTest, ScreensAreRefreshedWhenShownAndTitledByThemselves) {
    root(0);
    finishSwaps();
    auto screen = KSWindowController::create<CountingScreen>();
    navigation->pushDetailController(screen);
    EXPECT_EQ(screen->refreshes, 1);
    EXPECT_EQ(stack(), (std::vector<std::string>{"Devices", "Screen"}));
    EXPECT_EQ(shown(), screen->mainView());
    navigation->pushDetailController(screen);
    EXPECT_EQ(screen->refreshes, 2);  // told again, though nothing is pushed
    EXPECT_EQ(stack().size(), 2u);
}

TEST_F(SettingsNavigationTest, ThePanesLayoutsConnectEveryOutlet) {
    auto& detail = *navigation->detail();
    for (const auto& view : {detail.navbar, detail.navbarContentContainer, detail.contentViewContainer,
                             detail.fullscreenContentContainer, detail.separator})
        ASSERT_TRUE(view);
    EXPECT_TRUE(detail.backButton && detail.titleText);
    EXPECT_EQ(detail.backButton->superview(), detail.navbarContentContainer.get());
    // Both places for a page start at the pane's origin; the one under the bar ends where the bar begins.
    EXPECT_EQ(detail.contentViewContainer->frame().origin, (ui::Point{0, 0}));
    EXPECT_EQ(detail.fullscreenContentContainer->frame().origin, (ui::Point{0, 0}));
    EXPECT_LE(detail.contentViewContainer->frame().maxY(), detail.navbar->frame().minY());
    EXPECT_EQ(navigation->master()->listView->superview(), navigation->master()->view().get());
    EXPECT_TRUE(navigation->master()->bottomTextField);
    for (const char* name : {"SettingsDetailViewController", "SettingsMasterViewController"})
        EXPECT_EQ(ui::Nib::load(name, nullptr).front()->className(), "View") << name;
}

}  // namespace
}  // namespace kestrune
