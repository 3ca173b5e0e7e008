// What a view leaves unhandled goes up the chain; scrolling by wheel; controllers without a layout.

#include <gtest/gtest.h>

#include "platform/system/Application.h"
#include "platform/ui/Menu.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class Catcher : public View {
public:
    std::vector<std::string> caught;
    void mouseDown(const Event&) override { caught.push_back("down"); }
    void rightMouseDown(const Event&) override { caught.push_back("rightDown"); }
    void scrollWheel(const Event&) override { caught.push_back("wheel"); }
};

class Flipped : public View {
public:
    bool isFlipped() const override { return true; }
};

class ResponderChainTest : public ::ui::test::Fixture {};

TEST_F(ResponderChainTest, EventsAViewLeavesGoToItsSuperview) {
    auto w = window();
    auto outer = make<Catcher>(Rect{0, 0, 200, 200});
    auto middle = View::create({10, 10, 100, 100});
    auto inner = View::create({10, 10, 50, 50});
    w->contentView()->addSubview(outer);
    outer->addSubview(middle);
    middle->addSubview(inner);
    click(*inner, {5, 5});
    rightClick(*inner, {5, 5});
    EXPECT_EQ(outer->caught, (std::vector<std::string>{"down", "rightDown"}));
    EXPECT_EQ(inner->nextResponder(), middle);
    EXPECT_EQ(w->contentView()->nextResponder(), w);
    // One record of activation, the life-cycle application's.
    EXPECT_TRUE(Application::shared().isActive());
    EXPECT_EQ(platform::Application::shared().activationCount(), 1);
}

TEST_F(ResponderChainTest, TheWheelScrollsTheClipViewWithinTheDocument) {
    auto w = window({0, 0, 200, 100});
    auto scroll = ScrollView::create({0, 0, 200, 100});
    auto doc = make<Flipped>(Rect{0, 0, 200, 400});
    scroll->setDocumentView(doc);
    w->contentView()->addSubview(scroll);
    auto wheel = [&](double dy) {
        Event e = Event::mouseEvent(EventType::ScrollWheel, {50, 50}, w);
        e.deltaY = dy;
        w->sendEvent(e);
    };
    wheel(-120);  // towards the end of the document
    EXPECT_EQ(scroll->contentView()->bounds().origin, Point(0, 120));
    wheel(-500);
    EXPECT_EQ(scroll->contentView()->bounds().origin, Point(0, 300));
    wheel(40);
    EXPECT_EQ(scroll->contentView()->bounds().origin, Point(0, 260));
}

TEST_F(ResponderChainTest, AControllerWithoutALayoutHasNoViewAndSaysSo) {
    auto controller = ViewController::createWithNibName("NotRegistered");
    EXPECT_EQ(controller->view(), nullptr);
    EXPECT_TRUE(logged("no interface layout named NotRegistered"));
    auto plain = std::make_shared<ViewController>();
    EXPECT_EQ(plain->view(), nullptr);
    EXPECT_TRUE(logged("has no layout to load its view from"));
}

TEST_F(ResponderChainTest, MenuItemsKnowTheirMenuUntilRemoved) {
    auto menu = Menu::create();
    auto a = MenuItem::create("a");
    auto b = MenuItem::create("b");
    menu->addItem(a);
    menu->insertItem_atIndex(b, 0);
    EXPECT_EQ(menu->itemAtIndex(0), b);
    EXPECT_EQ(a->menu(), menu);
    menu->removeItem(a);
    EXPECT_EQ(a->menu(), nullptr);
    EXPECT_EQ(menu->indexOfItem(a.get()), -1);
    auto other = Menu::create();
    other->addItem(a);  // free again: another menu may take it
    EXPECT_EQ(other->numberOfItems(), 1u);
    EXPECT_EQ(menu->itemAtIndex(5), nullptr);
}

}  // namespace
}  // namespace platform::ui
