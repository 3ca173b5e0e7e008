// The bases of pages and windows: which layout they load, page identity, texts on a language change,
// the appear and disappear closures, window placement, the close button, bringing a window to the
// front, and the list window's reload.

#include <gtest/gtest.h>

#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/ui/Application.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Screen.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/bases/BaseViewController.h"
#include "uikit/bases/KSWindowController.h"
#include "uikit/bases/KestruneListViewWindow.h"

namespace kestrune {
namespace {

using ui::Rect;

// A page that counts its texts and its one-time layout.
class CountingPage : public BaseViewController {
public:
    int strings = 0;
    int layouts = 0;
    void updateStrings() override { ++strings; }
    void viewDidLayoutSubviews() override { ++layouts; }
};

class NamedPage : public CountingPage {
public:
    std::optional<std::string> nibName() const override { return "NamedPageLayout"; }
};

class MisnamedPage : public CountingPage {
public:
    std::optional<std::string> nibName() const override { return "NoSuchLayout"; }
};

class PlainPage : public CountingPage {};

// A layout that gives its owner a view of a recognisable size.
ui::NibBuilder pageLayout(double width) {
    return [width](ui::NibLoader& nib) {
        auto view = nib.make<ui::View>({0, 0, width, 100});
        if (auto owner = nib.owner<ui::ViewController>()) owner->setView(view);
    };
}

class ClosingDelegate : public KSWindowControllerDelegate {
public:
    std::vector<KSWindowController*> closed;
    void windowControllerWillClose(KSWindowController& controller) override { closed.push_back(&controller); }
};

// A list window whose rows come from a data source it reloads first.
class RecordingListWindow : public KestruneListViewWindow, public PXListViewDelegate {
public:
    std::vector<std::string>* steps = nullptr;
    void reloadDatsourceWithCompletion(Block completion) override {
        steps->push_back("data source");
        completion();
    }
    uint64_t numberOfRowsInListView(PXListView&) override {
        steps->push_back("list");
        return 0;
    }
    double listView_heightOfRow(PXListView&, uint64_t) override { return 40; }
    std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView&, uint64_t) override { return nullptr; }
};

class ScreenAndWindowBasesTest : public ui::test::Fixture {};

TEST_F(ScreenAndWindowBasesTest, APageLoadsTheLayoutItNamesOrTheOneOfItsClassOrNone) {
    // Which view a page loaded is debugging detail, logged only with the debug switch on.
    platform::Log::setDebug(true);
    ui::NibRegistry::add("NamedPageLayout", pageLayout(310));
    ui::NibRegistry::add("MisnamedPage", pageLayout(320));
    auto named = BaseViewController::create<NamedPage>();
    EXPECT_EQ(named->comutedNibName(), "NamedPageLayout");
    EXPECT_EQ(named->mainView()->frame().width(), 310);
    auto misnamed = BaseViewController::create<MisnamedPage>();
    EXPECT_EQ(misnamed->comutedNibName(), "MisnamedPage");
    EXPECT_EQ(misnamed->mainView()->frame().width(), 320);
    auto plain = BaseViewController::create<PlainPage>();
    EXPECT_EQ(plain->comutedNibName(), std::nullopt);
    ASSERT_TRUE(plain->mainView());  // a plain page still has a view, without outlets
    EXPECT_FALSE(plain->mainView()->wasCreatedFromNib());
    // The view is there right after creation, and the texts were set as it loaded.
    EXPECT_EQ(named->strings, 1);
    EXPECT_TRUE(logged("Loading view: View"));
    platform::Log::setDebug(false);
}

TEST_F(ScreenAndWindowBasesTest, PagesWithTheSameIdentifierAreEqual) {
    auto a = BaseViewController::create<PlainPage>();
    auto b = BaseViewController::create<PlainPage>();
    EXPECT_TRUE(a->isEqual(*a));
    EXPECT_FALSE(a->isEqual(*b));
    a->setComparisonIdentifier("HistoryPage");
    EXPECT_FALSE(a->isEqual(*b));  // one identifier is not enough
    b->setComparisonIdentifier("HistoryPage");
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_EQ(a->hash(), b->hash());
    b->setComparisonIdentifier("PhotosPage");
    EXPECT_FALSE(a->isEqual(*b));
}

TEST_F(ScreenAndWindowBasesTest, EveryLanguageChangeReloadsTheTextsUntilThePageIsGone) {
    auto& center = platform::NotificationCenter::defaultCenter();
    const size_t observers = center.observerCount();
    auto page = BaseViewController::create<PlainPage>();
    EXPECT_EQ(page->strings, 1);
    center.post(BaseViewController::kLanguageDidChangeNotification);  // hidden all along
    center.post(BaseViewController::kLanguageDidChangeNotification);
    EXPECT_EQ(page->strings, 3);
    EXPECT_FALSE(page->isVisible());
    page.reset();
    EXPECT_EQ(center.observerCount(), observers);
    center.post(BaseViewController::kLanguageDidChangeNotification);
}

TEST_F(ScreenAndWindowBasesTest, AppearingAndDisappearingRunTheOwnersClosuresInOrder) {
    auto page = BaseViewController::create<PlainPage>();
    std::vector<std::string> calls;
    page->setViewWillAppearHandler([&] { calls.push_back("will appear"); });
    page->setViewDidAppearHandler(
        [&] { calls.push_back(page->isVisible() ? "did appear, visible" : "did appear"); });
    page->setViewDidDissapearHandler([&] { calls.push_back("did disappear"); });
    page->setViewVisibilityHandler([&](bool visible) { calls.push_back(visible ? "visible" : "hidden"); });
    auto w = window();
    for (int i = 0; i < 2; ++i) {
        w->contentView()->addSubview(page->mainView());
        page->mainView()->removeFromSuperview();
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"will appear", "did appear, visible", "visible",
                                               "did disappear", "hidden", "will appear",
                                               "did appear, visible", "visible", "did disappear", "hidden"}));
    EXPECT_EQ(page->layouts, 1);
    EXPECT_TRUE(page->didLayoutSubviews());

    page->addBottomSeparator();
    const auto& strip = page->mainView()->subviews().back();
    EXPECT_EQ(strip->frame(), (Rect{0, 0, 480, 5}));
    EXPECT_EQ(strip->autoresizingMask(), ui::kViewWidthSizable);
}

TEST_F(ScreenAndWindowBasesTest, AWindowSitsCentredAtAFractionOfTheScreensHeight) {
    EXPECT_EQ(KSWindowController::defaultPositioningRatioForScreenHeight(599), 2.0);
    EXPECT_EQ(KSWindowController::defaultPositioningRatioForScreenHeight(600), 1.9);
    EXPECT_EQ(KSWindowController::defaultPositioningRatioForScreenHeight(999), 1.9);
    EXPECT_EQ(KSWindowController::defaultPositioningRatioForScreenHeight(1000), 1.8);

    ui::Screen::setScreensForTesting({{{0, 0, 1000, 1000}, 2}});
    auto controller = KSWindowController::create<KestruneListViewWindow>();
    auto w = controller->window();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->frame(), (Rect{280, 1000 / 1.8 - 290, 440, 580}));
    EXPECT_EQ(w->backgroundColor(), ui::Color::clearColor());
    ui::Screen::setScreensForTesting({{{0, 0, 800, 599}, 2}});
    controller->centerFrame();
    EXPECT_EQ(w->frame().origin, (ui::Point{180, 599 / 2.0 - 290}));
}

TEST_F(ScreenAndWindowBasesTest, ShowingTwiceMakesOneCloseButtonAndBringsTheWindowBackAfterHalfASecond) {
    registerImage("wizzard_close_button", {24, 24});
    auto controller = KSWindowController::create<KestruneListViewWindow>();
    auto delegate = std::make_shared<ClosingDelegate>();
    controller->setWindowDelegate(delegate);
    controller->showWindow();
    controller->showWindow();
    auto main = controller->mainView();
    const auto closeButtons =
        std::count_if(main->subviews().begin(), main->subviews().end(),
                      [](const auto& v) { return std::dynamic_pointer_cast<MyButton>(v) != nullptr; });
    EXPECT_EQ(closeButtons, 1);
    ASSERT_TRUE(controller->closeButton());
    EXPECT_EQ(controller->closeButton()->frame(), (Rect{440 - 34, 580 - 34, 24, 24}));
    EXPECT_EQ(controller->closeButton()->alphaValue(), 0.6);
    EXPECT_TRUE(controller->windowIsShown());
    EXPECT_TRUE(controller->window()->isKeyWindow());

    // Another window comes in front; the late bring-to-front puts ours back at 0.5 s.
    auto other = window();
    advance(0.49);
    EXPECT_EQ(ui::Application::shared().orderedWindows().front(), other);
    advance(0.01);
    EXPECT_EQ(ui::Application::shared().orderedWindows().front(), controller->window());

    // Hidden and shown again, the button lies above what was added meanwhile.
    controller->showCloseButton(false);
    EXPECT_TRUE(controller->closeButton()->isHidden());
    main->addSubview(ui::View::create({0, 0, 440, 580}));
    controller->showCloseButton(true);
    EXPECT_EQ(main->subviews().back(), controller->closeButton());

    controller->closeButton()->performClick();
    EXPECT_FALSE(controller->window()->isVisible());
    ASSERT_EQ(delegate->closed.size(), 1u);
    EXPECT_EQ(delegate->closed[0], controller.get());
}

TEST_F(ScreenAndWindowBasesTest, TheListWindowReloadsItsDataSourceThenItsListThenTheCaller) {
    auto controller = KSWindowController::create<RecordingListWindow>();
    std::vector<std::string> steps;
    controller->steps = &steps;
    ASSERT_TRUE(controller->window());
    controller->listView->setDelegate(std::dynamic_pointer_cast<PXListViewDelegate>(controller));
    controller->reloadDatasourceAndView([&] { steps.push_back("caller"); });
    EXPECT_EQ(steps, (std::vector<std::string>{"data source", "list", "caller"}));
    controller->reloadDatasourceAndView();
    EXPECT_EQ(steps.size(), 5u);

    // The loaded window: list look, backdrop and hidden information button.
    EXPECT_TRUE(controller->listView->allowsMultipleSelection());
    EXPECT_EQ(controller->listViewBackgroundView.lock()->layer()->backgroundColor(),
              ui::Color::whiteColor().colorWithAlphaComponent(0.15));
    EXPECT_TRUE(controller->infoButton.lock()->isHidden());
    controller->showInfoButton(true);
    EXPECT_FALSE(controller->infoButton.lock()->isHidden());
}

TEST_F(ScreenAndWindowBasesTest, ABottomButtonWithoutATitleTurnsInvisibleButKeepsItsPlace) {
    auto controller = KSWindowController::create<KestruneListViewWindow>();
    ASSERT_TRUE(controller->window());
    auto right = controller->bottomRightButton.lock();
    controller->setBottomRightButtonTitle("Delete all");
    EXPECT_EQ(right->title(), "Delete all");
    EXPECT_EQ(right->alphaValue(), 1.0);
    const Rect frame = right->frame();
    controller->setBottomRightButtonTitle(std::nullopt);
    EXPECT_EQ(right->alphaValue(), 0.0);
    EXPECT_EQ(right->title(), "Delete all");
    EXPECT_EQ(right->frame(), frame);
    EXPECT_FALSE(right->isHidden());  // invisible, and still there to be clicked
    controller->setBottomCenterButtonTitle("Export");
    EXPECT_EQ(controller->bottomCenterButton.lock()->alphaValue(), 1.0);
}

}  // namespace
}  // namespace kestrune
