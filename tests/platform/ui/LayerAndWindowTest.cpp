// Layer geometry and drawing; window geometry, screens and closing.

#include <gtest/gtest.h>

#include "platform/base/NotificationCenter.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextView.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class LayerGeometryTest : public test::Fixture {
protected:
    void SetUp() override {
        test::Fixture::SetUp();
        root->setAnchorPoint({0, 0});
        root->setFrame({10, 10, 200, 100});
        child->setAnchorPoint({0, 0});
        child->setFrame({20, 30, 40, 20});
        sibling->setAnchorPoint({0, 0});
        sibling->setFrame({100, 0, 50, 50});
        root->addSublayer(child);
        root->addSublayer(sibling);
    }
    std::shared_ptr<Layer> root = Layer::layer(), child = Layer::layer(), sibling = Layer::layer();
};

TEST_F(LayerGeometryTest, FrameFollowsPositionAnchorAndBounds) {
    auto l = Layer::layer();
    l->setBounds({0, 0, 40, 20});
    l->setPosition({100, 50});
    EXPECT_EQ(l->frame(), Rect(80, 40, 40, 20));
    l->setAnchorPoint({0, 0});
    EXPECT_EQ(l->frame(), Rect(100, 50, 40, 20));
    l->setFrame({0, 0, 10, 10});
    EXPECT_EQ(l->position(), Point(0, 0));
    EXPECT_EQ(l->bounds().size, Size(10, 10));
}

TEST_F(LayerGeometryTest, PointsConvertBetweenLayersOfOneTree) {
    EXPECT_EQ(root->convertPoint_fromLayer({0, 0}, child.get()), Point(20, 30));
    EXPECT_EQ(child->convertPoint_toLayer({5, 5}, sibling.get()), Point(-75, 35));
    EXPECT_EQ(sibling->convertPoint_toLayer({-75, 35}, child.get()), Point(5, 5));
    child->setBounds({10, 0, 40, 20});  // content shifted: the same spot is 10 further along
    EXPECT_EQ(root->convertPoint_fromLayer({10, 0}, child.get()), Point(20, 30));
}

TEST_F(LayerGeometryTest, HitTestingFindsTheDeepestVisibleLayer) {
    EXPECT_EQ(root->hitTest({35, 45}), child);
    EXPECT_EQ(root->hitTest({15, 15}), root);
    EXPECT_EQ(root->hitTest({5, 5}), nullptr);
    child->setHidden(true);
    EXPECT_EQ(root->hitTest({35, 45}), root);
}

TEST_F(LayerGeometryTest, SublayersResizeWithTheirSuperlayerByTheirMask) {
    child->setAutoresizingMask(kLayerWidthSizable | kLayerMinYMargin);
    sibling->setAutoresizingMask(kLayerMinXMargin | kLayerMaxXMargin);
    root->setBounds({0, 0, 260, 120});  // +60 wide, +20 high
    EXPECT_EQ(child->frame(), Rect(20, 50, 100, 20));
    EXPECT_EQ(sibling->frame(), Rect(130, 0, 50, 50));
}

class Drawn : public LayerDelegate {
public:
    int draws = 0;
    void drawLayer_inContext(Layer&, GraphicsContext& c) override {
        ++draws;
        c.setFillColor(Color::blueColor());
        c.fillRect({0, 0, 1, 1});
    }
};

TEST_F(LayerGeometryTest, LayersDrawWhenMarkedAndTextLayersDrawTheirString) {
    auto delegate = std::make_shared<Drawn>();
    child->setDelegate(delegate);
    child->setNeedsDisplayOnBoundsChange(true);
    child->displayIfNeeded();
    EXPECT_EQ(delegate->draws, 0);
    child->setBounds({0, 0, 50, 20});
    child->displayIfNeeded();
    EXPECT_EQ(delegate->draws, 1);
    EXPECT_EQ(child->displayList(), DisplayList{"fill rect(0 0 1 1) rgba(0,0,1,1)"});

    auto caption = TextLayer::layer();
    caption->setFontName("Helvetica Neue Thin");
    caption->setFontSize(10);
    caption->setForegroundColor(Color::darkGrayColor());
    caption->setAlignmentMode("center");
    caption->setBounds({0, 0, 30, 14});
    caption->display();
    EXPECT_TRUE(caption->displayList().empty());  // no text yet
    caption->setString("ON");
    caption->displayIfNeeded();
    EXPECT_EQ(caption->displayList(),
              DisplayList{
                  "text \"ON\" in 0 0 30 14 font Helvetica Neue Thin 10 rgba(0.333333,0.333333,0.333333,1)"});
}

class WindowGeometryTest : public test::Fixture {};

TEST_F(WindowGeometryTest, TheTitleBarTakesRoomUnlessTheWindowIsBorderlessOrFullSize) {
    struct Case {
        unsigned style;
        double frameHeight;
    };
    const Case cases[] = {{kWindowStyleTitled, 322},
                          {kWindowStyleBorderless, 300},
                          {kWindowStyleTitled | kWindowStyleFullSizeContentView, 300}};
    for (const auto& k : cases) {
        auto w = Window::create({100, 100, 400, 300}, k.style);
        EXPECT_EQ(w->frame(), Rect(100, 100, 400, k.frameHeight)) << k.style;
        EXPECT_EQ(w->contentView()->frame(), Rect(0, 0, 400, 300)) << k.style;
    }
    auto w = Window::create({100, 100, 400, 300});
    w->setContentSize({400, 200});  // the top edge stays at 422
    EXPECT_EQ(w->frame(), Rect(100, 200, 400, 222));
    EXPECT_EQ(w->contentView()->frame(), Rect(0, 0, 400, 200));
    EXPECT_EQ(w->convertRectToScreen({10, 10, 5, 5}), Rect(110, 210, 5, 5));
}

TEST_F(WindowGeometryTest, AWindowBelongsToTheScreenItCoversMost) {
    Screen::setScreensForTesting({{{0, 0, 1440, 900}, 2}, {{1440, 0, 1920, 1080}, 1}});
    auto w =
        Window::create({1400, 100, 400, 300}, kWindowStyleBorderless);  // 40 on the first, 360 on the second
    EXPECT_EQ(w->screen(), Screen::screens()[1]);
    EXPECT_DOUBLE_EQ(w->backingScaleFactor(), 1);
    EXPECT_EQ(Screen::mainScreen()->visibleFrame(), Rect(0, 0, 1440, 878));
    Screen::resetForTesting();
    EXPECT_EQ(Screen::mainScreen()->frame(), Rect(0, 0, 1440, 900));
    EXPECT_DOUBLE_EQ(Screen::mainScreen()->backingScaleFactor(), 2);
}

class ClosingDelegate : public WindowDelegate {
public:
    bool allow = false;
    int willClose = 0;
    int resized = 0;
    bool windowShouldClose(Window&) override { return allow; }
    void windowWillClose(Window&) override { ++willClose; }
    void windowDidResize(Window&) override { ++resized; }
};

TEST_F(WindowGeometryTest, ClosingAsksTheDelegateAndAnnouncesItself) {
    auto w = window();
    auto delegate = std::make_shared<ClosingDelegate>();
    w->setDelegate(delegate);
    int announced = 0;
    auto observation = NotificationCenter::defaultCenter().addObserver(
        Window::kWillCloseNotification, w.get(), [&](const Notification&) { ++announced; });
    w->performClose();
    EXPECT_TRUE(w->isVisible());
    delegate->allow = true;
    w->performClose();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(delegate->willClose, 1);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(Application::shared().keyWindow(), nullptr);
    w->setFrameOrigin({0, 0});
    EXPECT_EQ(delegate->resized, 0);
    w->setFrame({0, 0, 10, 10});
    EXPECT_EQ(delegate->resized, 1);

    auto panel = Panel::create({0, 0, 100, 100});
    panel->makeKeyAndOrderFront();
    EXPECT_TRUE(panel->isKeyWindow());
    EXPECT_FALSE(panel->isMainWindow());
}

TEST(ImageViewTest, ImageRectFollowsScalingAndAlignment) {
    struct Case {
        Size image;
        ImageScaling scaling;
        ImageAlignment alignment;
        Rect expected;
    };
    const Case cases[] = {
        {{200, 100}, ImageScaling::ProportionallyDown, ImageAlignment::Center, {0, 0, 100, 50}},
        {{40, 20}, ImageScaling::ProportionallyDown, ImageAlignment::Center, {30, 15, 40, 20}},
        {{40, 20}, ImageScaling::ProportionallyUpOrDown, ImageAlignment::Center, {0, 0, 100, 50}},
        {{40, 40}, ImageScaling::ProportionallyUpOrDown, ImageAlignment::Center, {25, 0, 50, 50}},
        {{40, 20}, ImageScaling::AxesIndependently, ImageAlignment::Center, {0, 0, 100, 50}},
        {{40, 20}, ImageScaling::None, ImageAlignment::TopLeft, {0, 30, 40, 20}},
        {{40, 20}, ImageScaling::None, ImageAlignment::BottomRight, {60, 0, 40, 20}},
    };
    for (const auto& k : cases) {
        auto view = ImageView::create({0, 0, 100, 50});
        view->setImage(Image::create(k.image));
        view->setImageScaling(k.scaling);
        view->setImageAlignment(k.alignment);
        EXPECT_EQ(view->imageRect(), k.expected) << k.image.width << "x" << k.image.height;
    }
    EXPECT_EQ(ImageView::create({0, 0, 10, 10})->imageRect(), Rect());
}

TEST(SliderTest, ValuesClampAndSnapToTickMarksWhenAsked) {
    auto slider = Slider::create({0, 0, 100, 20});
    slider->setMinValue(0);
    slider->setMaxValue(10);
    const std::pair<double, double> free[] = {{3.6, 3.6}, {12, 10}, {-1, 0}};
    for (const auto& [in, out] : free) {
        slider->setDoubleValue(in);
        EXPECT_DOUBLE_EQ(slider->doubleValue(), out) << in;
    }
    slider->setNumberOfTickMarks(5);  // 0, 2.5, 5, 7.5, 10
    slider->setAllowsTickMarkValuesOnly(true);
    const std::pair<double, double> snapped[] = {{3.6, 2.5}, {4, 5}, {9, 10}};
    for (const auto& [in, out] : snapped) {
        slider->setDoubleValue(in);
        EXPECT_DOUBLE_EQ(slider->doubleValue(), out) << in;
    }
    // The knob sits at the value's share of the travel left once the knob's own width is taken.
    slider->setDoubleValue(5);
    EXPECT_EQ(slider->cell()->knobRectFlipped(false), Rect(40, 0, 20, 20));
}

class TextChanges : public TextViewDelegate {
public:
    int changes = 0;
    void textDidChange(TextView&) override { ++changes; }
};

TEST_F(WindowGeometryTest, TextViewsTakeTypingAndNewlines) {
    auto w = window();
    auto text = TextView::create({0, 0, 200, 100});
    auto delegate = std::make_shared<TextChanges>();
    text->setDelegate(delegate);
    text->setString("ab");
    w->contentView()->addSubview(text);
    w->makeFirstResponder(text);
    key(0, "c");
    key(kKeyCodeReturn, "\r");
    key(kKeyCodeDelete);
    key(kKeyCodeDelete);
    EXPECT_EQ(text->string(), "ab");
    EXPECT_EQ(delegate->changes, 4);
    text->setEditable(false);
    key(0, "x");
    EXPECT_EQ(text->string(), "ab");
}

}  // namespace
}  // namespace platform::ui
