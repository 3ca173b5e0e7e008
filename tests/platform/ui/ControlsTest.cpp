// Controls, target and action, optional delegate operations, menus and the status bar.

#include <gtest/gtest.h>

#include "platform/ui/Button.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Slider.h"
#include "platform/ui/SplitView.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/TextField.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class ControlsTest : public test::Fixture {};

TEST_F(ControlsTest, SendingAnActionNeedsBothATargetAndAnAction) {
    auto control = Control::create({0, 0, 10, 10});
    int calls = 0;
    std::shared_ptr<UIObject> seen;
    EXPECT_FALSE(control->sendAction());
    auto target = Control::create({});
    control->setTarget(target);
    EXPECT_FALSE(control->sendAction());
    control->setAction([&](const std::shared_ptr<UIObject>& t, Control&) { ++calls, seen = t; });
    EXPECT_TRUE(control->sendAction());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, target);
    seen.reset();
    target.reset();  // held weakly: gone now
    EXPECT_FALSE(control->sendAction());
    EXPECT_EQ(calls, 1);
}

TEST_F(ControlsTest, ClicksFlipTheStateOfButtonsThatKeepOneAndOnlyInsideReleasesCount) {
    auto w = window();
    struct Case {
        ButtonType type;
        int after;
    };
    const Case cases[] = {{ButtonType::MomentaryPushIn, kStateOff},
                          {ButtonType::Switch, kStateOn},
                          {ButtonType::Radio, kStateOn},
                          {ButtonType::PushOnPushOff, kStateOn}};
    for (const auto& k : cases) {
        auto b = Button::create({10, 10, 80, 24});
        b->setButtonType(k.type);
        int actions = 0;
        b->setTarget(w);
        b->setAction([&](const std::shared_ptr<UIObject>&, Control&) { ++actions; });
        w->contentView()->addSubview(b);
        click(*b, {5, 5});
        EXPECT_EQ(b->state(), k.after);
        EXPECT_EQ(actions, 1);
        drag(*b, {5, 5}, {200, 5});  // released outside
        EXPECT_EQ(actions, 1);
        b->removeFromSuperview();
    }
}

class FieldDelegate : public TextFieldDelegate {
public:
    std::vector<std::string> calls;
    bool takeEscape = false;
    void controlTextDidBeginEditing(TextField&) override { calls.push_back("begin"); }
    void controlTextDidChange(TextField& f) override { calls.push_back("change " + f.stringValue()); }
    void controlTextDidEndEditing(TextField&) override { calls.push_back("end"); }
    bool control_textView_doCommandBySelector(TextField&, const std::string& command) override {
        calls.push_back(command);
        return takeEscape && command == "cancelOperation:";
    }
};

TEST_F(ControlsTest, TypingIntoAFieldEditsItsEndAndTellsTheDelegate) {
    auto w = window();
    auto field = TextField::create({10, 10, 100, 22});
    field->setStringValue("ab");
    auto delegate = std::make_shared<FieldDelegate>();
    delegate->takeEscape = true;
    field->setDelegate(delegate);
    w->contentView()->addSubview(field);
    click(*field, {5, 5});
    key(0, "é");
    key(kKeyCodeDelete);
    key(kKeyCodeDelete);
    key(kKeyCodeEscape);
    EXPECT_EQ(field->stringValue(), "a");
    w->makeFirstResponder(nullptr);
    EXPECT_EQ(delegate->calls,
              (std::vector<std::string>{"begin", "change abé", "deleteBackward:", "change ab",
                                        "deleteBackward:", "change a", "cancelOperation:", "end"}));
    // A label sizes itself to its text with the fixed measurer: 13 × 0.5 per unit, 1.2 × 13 high, 2 each
    // side.
    auto label = TextField::labelWithString("Hello");
    EXPECT_EQ(label->frame().size, Size(5 * 6.5 + 4, 13 * 1.2));
}

class SplitDelegate : public SplitViewDelegate {
public:
    bool constrains = false;
    int resized = 0;
    bool implements(Op op) const override { return constrains && op == Op::ConstrainMinCoordinate; }
    double splitView_constrainMinCoordinate_ofSubviewAt(SplitView&, double, size_t) override { return 80; }
    void splitViewDidResizeSubviews(SplitView&) override { ++resized; }
};

TEST_F(ControlsTest, TheFixturesDragsReachControlsThatTrackInAModalLoop) {
    auto w = window();
    auto slider = Slider::create({0, 0, 220, 20});
    slider->setMaxValue(100);
    w->contentView()->addSubview(slider);
    drag(*slider, {10, 10}, {210, 10}, 4);
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 100);
    EXPECT_EQ(Application::shared().pendingEventCount(), 0u);
}

TEST_F(ControlsTest, SplitViewDividerDragsAskOnlyForTheOperationsTheDelegateImplements) {
    auto w = window({0, 0, 301, 100});
    auto split = SplitView::create({0, 0, 301, 100});
    split->addSubview(View::create({0, 0, 150, 100}));
    split->addSubview(View::create({151, 0, 150, 100}));
    w->contentView()->addSubview(split);
    auto delegate = std::make_shared<SplitDelegate>();
    split->setDelegate(delegate);
    auto& app = Application::shared();
    auto dragDivider = [&](double toX) {
        const double at = split->positionOfDividerAtIndex(0);
        app.postEvent_atStart(
            Event::mouseEvent(EventType::LeftMouseDragged, split->convertPoint_toView({toX, 50}, nullptr), w),
            false);
        app.postEvent_atStart(
            Event::mouseEvent(EventType::LeftMouseUp, split->convertPoint_toView({toX, 50}, nullptr), w),
            false);
        w->sendEvent(
            Event::mouseEvent(EventType::LeftMouseDown, split->convertPoint_toView({at, 50}, nullptr), w));
    };
    EXPECT_DOUBLE_EQ(split->positionOfDividerAtIndex(0), 150);
    dragDivider(40);
    EXPECT_DOUBLE_EQ(split->positionOfDividerAtIndex(0), 40);
    EXPECT_EQ(split->subviews()[1]->frame(), Rect(41, 0, 260, 100));
    delegate->constrains = true;
    dragDivider(20);
    EXPECT_DOUBLE_EQ(split->positionOfDividerAtIndex(0), 80);
    EXPECT_EQ(delegate->resized, 4);  // one per drag event
}

TEST_F(ControlsTest, MenusRunClosuresByKeyEquivalentAndRecordPopUpsThatReturnAtOnce) {
    auto menu = Menu::create("Settings");
    std::vector<std::string> chosen;
    auto quit = menu->addItemWithTitle(
        "Quit", [&](MenuItem& i) { chosen.push_back(i.title()); }, "q");
    menu->addItem(MenuItem::separatorItem());
    auto sub = Menu::create();
    auto deep = sub->addItemWithTitle(
        "Deep", [&](MenuItem& i) { chosen.push_back(i.title()); }, "d");
    deep->setTag(7);
    deep->setRepresentedObject(platform::Value("payload"));
    auto head = MenuItem::create("More");
    head->setSubmenu(sub);
    menu->addItem(head);

    EXPECT_EQ(menu->indexOfItem(head.get()), 2);
    EXPECT_EQ(sub->supermenu(), menu);
    EXPECT_EQ(sub->itemWithTag(7)->representedObject(), platform::Value("payload"));
    EXPECT_EQ(menu->indexOfItemWithTag(7), -1);
    EXPECT_TRUE(
        menu->performKeyEquivalent(Event::keyEvent(EventType::KeyDown, 2, "d", nullptr, kCommandKeyMask)));
    EXPECT_FALSE(menu->performKeyEquivalent(Event::keyEvent(EventType::KeyDown, 12, "q", nullptr, 0)));
    quit->setEnabled(false);
    EXPECT_FALSE(
        menu->performKeyEquivalent(Event::keyEvent(EventType::KeyDown, 12, "q", nullptr, kCommandKeyMask)));
    EXPECT_FALSE(menu->performActionForItemAtIndex(1));  // a separator does nothing
    EXPECT_EQ(chosen, std::vector<std::string>{"Deep"});

    // An item lives in one menu at a time.
    auto other = Menu::create();
    other->addItem(quit);
    EXPECT_EQ(other->numberOfItems(), 0u);

    auto w = window();
    const Event e = Event::mouseEvent(EventType::RightMouseDown, {12, 34}, w);
    Menu::popUpContextMenu_withEvent_forView(menu, e, w->contentView());
    ASSERT_EQ(poppedUpMenus().size(), 1u);
    EXPECT_EQ(poppedUpMenus()[0].menu, menu);
    EXPECT_EQ(poppedUpMenus()[0].location, Point(12, 34));
    EXPECT_TRUE(chosen.size() == 1);  // nothing was chosen by popping up
}

TEST_F(ControlsTest, StatusItemsHaveTheirOwnStripsAtTheTopOfTheMainScreen) {
    auto& bar = StatusBar::systemStatusBar();
    EXPECT_DOUBLE_EQ(bar.thickness(), 22);
    auto first = bar.statusItemWithLength(24);
    auto second = bar.statusItemWithLength(30);
    EXPECT_EQ(first->window()->frame(), Rect(1416, 878, 24, 22));
    EXPECT_EQ(second->window()->frame(), Rect(1386, 878, 30, 22));
    EXPECT_TRUE(first->window()->isVisible());

    auto menu = Menu::create();
    second->setMenu(menu);
    click(*second->view(), {5, 5});
    ASSERT_EQ(poppedUpMenus().size(), 1u);
    int clicked = 0;
    first->setAction([&] { ++clicked; });
    click(*first->view(), {5, 5});
    EXPECT_EQ(clicked, 1);

    // A variable item is as wide as its title (fixed measurer: 7 per unit at 14 points) plus 4 each side.
    auto third = bar.statusItemWithLength(kVariableStatusItemLength);
    third->setTitle("Hi");
    EXPECT_EQ(third->window()->frame(), Rect(1364, 878, 22, 22));

    auto custom = View::create({0, 0, 24, 22});
    first->setView(custom);
    EXPECT_EQ(first->window()->contentView(), custom);
    bar.removeStatusItem(first);
    EXPECT_EQ(second->window()->frame(), Rect(1410, 878, 30, 22));
    EXPECT_EQ(third->window()->frame(), Rect(1388, 878, 22, 22));
    EXPECT_FALSE(first->window()->isVisible());
}

}  // namespace
}  // namespace platform::ui
