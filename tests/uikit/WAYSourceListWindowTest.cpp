// The source-list split window: its panes, the divider's limits and colour, resizing, and the content
// view it refuses.

#include <gtest/gtest.h>

#include "platform/ui/Application.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Screen.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"

namespace kestrune {
namespace {

using ui::Rect;

class WAYSourceListWindowTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        window_ = WAYSourceListWindow::create({100, 100, 800, 500});
        ui::Application::shared().activateIgnoringOtherApps(true);
        window_->makeKeyAndOrderFront();
    }
    std::shared_ptr<WAYSourceListWindow> window_;
};

TEST_F(WAYSourceListWindowTest, ItSetsItselfUpAsASplitWindow) {
    EXPECT_EQ(window_->titleVisibility(), ui::Window::TitleVisibility::Hidden);
    EXPECT_TRUE(window_->titlebarAppearsTransparent());
    EXPECT_TRUE(window_->styleMask() & ui::kWindowStyleFullSizeContentView);
    EXPECT_TRUE(window_->isMovableByWindowBackground());
    EXPECT_EQ(window_->delegate().get(), static_cast<ui::WindowDelegate*>(window_.get()));
    auto split = window_->splitView();
    ASSERT_TRUE(split);
    EXPECT_EQ(split->superview(), window_->contentView().get());
    EXPECT_EQ(window_->contentView(), window_->customContentView());
    EXPECT_EQ(split->frame(), (Rect{0, 0, 800, 500}));
    EXPECT_EQ(split->dividerStyle(), ui::SplitView::DividerStyle::Thin);
    EXPECT_TRUE(split->mouseDownCanMoveWindow());
    ASSERT_EQ(split->subviews().size(), 2u);
    EXPECT_EQ(split->subviews()[0], window_->masterViewWrapper());
    EXPECT_EQ(window_->masterViewWrapper()->material(), ui::VisualEffectView::Material::Light);
    EXPECT_EQ(window_->masterViewWrapper()->appearanceName(), "NSAppearanceNameVibrantLight");
    EXPECT_EQ(window_->detailViewWrapper()->layer()->backgroundColor(), ui::Color::whiteColor());
    EXPECT_EQ(window_->minimumMasterViewWidth(), 150);
    EXPECT_EQ(window_->maximumMasterViewWidth(), 300);

    window_->setDarkMasterViewMaterial(true);
    EXPECT_EQ(window_->masterViewWrapper()->material(), ui::VisualEffectView::Material::Dark);
    EXPECT_EQ(window_->masterViewWrapper()->appearanceName(), "NSAppearanceNameVibrantDark");
}

TEST_F(WAYSourceListWindowTest, MadeOnAGivenScreenItStandsThereAndIsSetUpAlike) {
    ui::Screen::setScreensForTesting({{{0, 0, 1440, 900}, 2}, {{1440, 200, 1920, 1080}, 1}});
    const auto second = ui::Screen::screens()[1];
    for (const auto& screen : {second, std::shared_ptr<ui::Screen>()}) {
        auto window = std::make_shared<WAYSourceListWindow>();
        window->initWithContentRect_styleMask_backing_defer_screen({100, 50, 800, 500},
                                                                   ui::kWindowStyleTitled, 2, false, screen);
        EXPECT_EQ(window->frame(), screen ? (Rect{1540, 250, 800, 500}) : (Rect{100, 50, 800, 500}));
        EXPECT_EQ(window->screen(), screen ? second : ui::Screen::mainScreen());
        // The window's own set-up ran once, after the platform's.
        ASSERT_TRUE(window->splitView());
        EXPECT_EQ(window->contentView()->subviews().size(), 1u);
        EXPECT_EQ(window->splitView()->frame(), (Rect{0, 0, 800, 500}));
    }
}

TEST_F(WAYSourceListWindowTest, TheInitialWidthLaysThePanesOutTheDetailEndingPastTheEdge) {
    window_->setInitialMasterViewWidth(220);
    EXPECT_EQ(window_->initialMasterViewWidth(), 220);
    EXPECT_EQ(window_->masterViewWrapper()->frame(), (Rect{0, 0, 220, 500}));
    EXPECT_EQ(window_->detailViewWrapper()->frame(), (Rect{221, 0, 581, 500}));  // 2 points past 800
}

TEST_F(WAYSourceListWindowTest, DraggingTheDividerStopsAt150And300) {
    window_->setMasterViewWidth(200);
    auto split = window_->splitView();
    drag(*split, {200.5, 100}, {40, 100});
    EXPECT_EQ(window_->masterViewWrapper()->frame().width(), 150);
    drag(*split, {150.5, 100}, {600, 100});
    EXPECT_EQ(window_->masterViewWrapper()->frame().width(), 300);
    drag(*split, {300.5, 100}, {250.5, 100});
    EXPECT_EQ(window_->masterViewWrapper()->frame().width(), 250);
}

TEST_F(WAYSourceListWindowTest, WideningTheWindowGrowsOnlyTheDetailPane) {
    window_->setMasterViewWidth(200);
    const double detail = window_->detailViewWrapper()->frame().width();
    window_->setFrame({100, 100, 1000, 500});
    EXPECT_EQ(window_->masterViewWrapper()->frame().width(), 200);
    EXPECT_EQ(window_->detailViewWrapper()->frame().width(), detail + 200);
    window_->setFrame({100, 100, 700, 400});
    EXPECT_EQ(window_->masterViewWrapper()->frame(), (Rect{0, 0, 200, 400}));
    EXPECT_EQ(window_->detailViewWrapper()->frame().width(), detail - 100);
}

TEST_F(WAYSourceListWindowTest, TheDividerIsTheDetailColourAtSevenTenths) {
    auto divider = [&] { return *window_->splitView()->customDividerColor(); };
    window_->setDetailViewBackgroundColor(ui::Color::colorWithCalibratedWhite_alpha(0.5, 1));
    EXPECT_EQ(divider(), ui::Color::colorWithCalibratedRed_green_blue_alpha(0.35, 0.35, 0.35, 1));
    EXPECT_EQ(window_->splitView()->dividerColor(), divider());
    EXPECT_EQ(window_->detailViewWrapper()->layer()->backgroundColor(),
              ui::Color::colorWithCalibratedWhite_alpha(0.5, 1));
    window_->setDetailViewBackgroundColor(ui::Color::colorWithDeviceRed_green_blue_alpha(1, 0.5, 0, 0.3));
    EXPECT_EQ(divider(), ui::Color::colorWithCalibratedRed_green_blue_alpha(0.7, 0.35, 0, 1));
    // Colours without RGB of their own still give a divider.
    window_->setDetailViewBackgroundColor(ui::Color::colorWithPatternImage(registerImage("paper", {4, 4})));
    EXPECT_EQ(divider(), ui::Color::colorWithCalibratedRed_green_blue_alpha(0.35, 0.35, 0.35, 1));
    const auto named = *ui::Color::named("controlColor");
    window_->setDetailViewBackgroundColor(named);
    EXPECT_EQ(divider().space(), ui::Color::Space::CalibratedRGB);
    EXPECT_NEAR(divider().redComponent(), named.redComponent() * 0.7, 1e-12);
}

TEST_F(WAYSourceListWindowTest, PanesHoldOneViewEachFittedToThem) {
    auto first = ui::View::create({5, 5, 10, 10});
    auto second = ui::View::create({0, 0, 1, 1});
    auto holder = ui::View::create();
    holder->addSubview(second);
    window_->setMasterView(first);
    EXPECT_EQ(first->superview(), window_->masterViewWrapper().get());
    EXPECT_EQ(first->frame(), window_->masterViewWrapper()->bounds());
    EXPECT_EQ(first->autoresizingMask(), 18u);
    window_->setMasterView(second);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(second->superview(), window_->masterViewWrapper().get());
    EXPECT_TRUE(holder->subviews().empty());
    EXPECT_EQ(window_->masterView(), second);
    EXPECT_EQ(window_->masterViewWrapper()->subviews().size(), 1u);

    auto detail = ui::View::create();
    window_->setDetailView(detail);
    EXPECT_EQ(detail->frame(), window_->detailViewWrapper()->bounds());
    window_->setDetailView(detail);  // the same again stays
    EXPECT_EQ(detail->superview(), window_->detailViewWrapper().get());
}

TEST_F(WAYSourceListWindowTest, AContentViewWithSubviewsIsRefusedWithOneWarning) {
    const auto own = window_->contentView();
    auto placed = ui::View::create({0, 0, 100, 100});
    placed->addSubview(ui::View::create({0, 0, 10, 10}));
    window_->setContentView(placed);
    EXPECT_EQ(window_->contentView(), own);
    const std::string warning =
        "WARNING: WAYSourceListWindow does not allow to add subviews to a WAYSourceListWindow's instance "
        "content "
        "view in Interface Builder. Add the subview(s) to the master or detail view instead directly.";
    auto lines = logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& l) { return l.find(warning) != std::string::npos; }),
              1);
    window_->setContentView(ui::View::create());
    EXPECT_EQ(window_->contentView(), own);
    lines = logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& l) { return l.find("WARNING") != std::string::npos; }),
              1);
}

TEST_F(WAYSourceListWindowTest, ALayoutMadeWindowIgnoresItsLaidOutContent) {
    ui::NibRegistry::add("Settings", [](ui::NibLoader& loader) {
        auto window = loader.make<WAYSourceListWindow>({0, 0, 600, 400}, ui::kWindowStyleTitled);
        auto content = ui::View::create({0, 0, 600, 400});
        content->addSubview(ui::View::create({10, 10, 50, 50}));
        window->setContentView(content);
        loader.addTopLevel(window);
    });
    auto loaded = ui::Nib::loadFirst<WAYSourceListWindow>("Settings", nullptr);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->contentView(), loaded->customContentView());
    ASSERT_EQ(loaded->contentView()->subviews().size(), 1u);
    EXPECT_EQ(loaded->contentView()->subviews()[0], loaded->splitView());
    EXPECT_TRUE(logged("WARNING: WAYSourceListWindow does not allow"));
}

}  // namespace
}  // namespace kestrune
