// Event delivery: mouse routing, tracking areas, keys and the responder chain, updates, modal loops.

#include <gtest/gtest.h>

#include "platform/ui/Button.h"
#include "platform/ui/Slider.h"
#include "platform/ui/WindowController.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class RecordingView : public View {
public:
    std::vector<std::string> events;
    bool takesFirstResponder = false;
    bool acceptsFirstResponder() override { return takesFirstResponder; }
    void mouseDown(const Event& e) override { note("down", e); }
    void mouseDragged(const Event& e) override { note("dragged", e); }
    void mouseUp(const Event& e) override { note("up", e); }
    void rightMouseDown(const Event& e) override { note("rightDown", e); }
    void mouseEntered(const Event&) override { events.push_back("entered"); }
    void mouseExited(const Event&) override { events.push_back("exited"); }
    void mouseMoved(const Event&) override { events.push_back("moved"); }
    void moveLeft(Responder*) override { events.push_back("moveLeft"); }
    void moveRight(Responder*) override { events.push_back("moveRight"); }
    void moveUp(Responder*) override { events.push_back("moveUp"); }
    void moveDown(Responder*) override { events.push_back("moveDown"); }
    void cancelOperation(Responder*) override { events.push_back("cancelOperation"); }
    void insertText(const std::string& t) override { events.push_back("insert " + t); }

private:
    void note(const char* what, const Event& e) {
        const Point p = convertPoint_fromView(e.locationInWindow, nullptr);
        const bool current =
            Application::shared().currentEvent() && Application::shared().currentEvent()->type == e.type;
        events.push_back(std::string(what) + " " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y)) +
                         (current ? "" : " (not current)"));
    }
};

class EventsTest : public test::Fixture {
protected:
    void SetUp() override {
        test::Fixture::SetUp();
        w = window({100, 100, 300, 200});
        left = make<RecordingView>(Rect{0, 0, 100, 100});
        right = make<RecordingView>(Rect{150, 0, 100, 100});
        w->contentView()->addSubview(left);
        w->contentView()->addSubview(right);
    }
    std::shared_ptr<Window> w;
    std::shared_ptr<RecordingView> left, right;
};

TEST_F(EventsTest, DragsAndTheReleaseGoToTheViewThatTookTheMouseDown) {
    drag(*left, {10, 10}, {170, 20}, 2);
    EXPECT_EQ(left->events,
              (std::vector<std::string>{"down 10,10", "dragged 90,15", "dragged 170,20", "up 170,20"}));
    EXPECT_TRUE(right->events.empty());
    ASSERT_TRUE(Application::shared().currentEvent());  // the last event stays current
    EXPECT_EQ(Application::shared().currentEvent()->type, EventType::LeftMouseUp);
    rightClick(*right, {5, 5});
    EXPECT_EQ(right->events, (std::vector<std::string>{"rightDown 5,5"}));
}

TEST_F(EventsTest, AMouseDownMakesTheViewFirstResponderOnlyIfItAccepts) {
    click(*left, {1, 1});
    EXPECT_EQ(w->firstResponder(), w);
    left->takesFirstResponder = true;
    click(*left, {1, 1});
    EXPECT_EQ(w->firstResponder(), left);
    left->removeFromSuperview();
    EXPECT_EQ(w->firstResponder(), w);  // a responder that leaves the window gives way
}

TEST_F(EventsTest, TrackingAreasFollowTheirOptions) {
    struct Case {
        unsigned options;
        bool keyWindow;
        bool appActive;
        std::vector<std::string> expected;
    };
    const unsigned enterMove = kTrackingMouseEnteredAndExited | kTrackingMouseMoved;
    const Case cases[] = {
        {enterMove | kTrackingActiveAlways, false, false, {"entered", "moved", "moved", "exited"}},
        {kTrackingMouseEnteredAndExited | kTrackingActiveInKeyWindow, true, true, {"entered", "exited"}},
        {kTrackingMouseEnteredAndExited | kTrackingActiveInKeyWindow, false, true, {}},
        {kTrackingMouseMoved | kTrackingActiveInActiveApp, false, true, {"moved", "moved"}},
        {kTrackingMouseMoved | kTrackingActiveInActiveApp, true, false, {}},
        {kTrackingMouseEnteredAndExited | kTrackingActiveAlways | kTrackingAssumeInside,
         false,
         false,
         {"exited", "entered", "exited"}},
        {enterMove, true, true, {}},  // no activity option: never active
    };
    for (const auto& k : cases) {
        auto view = make<RecordingView>(Rect{0, 0, 100, 100});
        auto window = this->window({0, 0, 200, 200});
        window->contentView()->addSubview(view);
        auto area = TrackingArea::create({10, 10, 20, 20}, k.options, view);
        if (k.options & kTrackingAssumeInside) area->setInside(true);
        view->addTrackingArea(area);
        if (!k.keyWindow) w->makeKeyWindow();
        if (!k.appActive) Application::shared().deactivate();
        moveMouse(*view, {5, 5});
        moveMouse(*view, {15, 15});
        moveMouse(*view, {20, 20});
        moveMouse(*view, {50, 50});
        EXPECT_EQ(view->events, k.expected) << "options " << k.options;
        Application::shared().activateIgnoringOtherApps(true);
    }
}

TEST_F(EventsTest, TrackingInTheVisibleRectFollowsTheViewsVisiblePart) {
    auto area = TrackingArea::create(
        {}, kTrackingMouseEnteredAndExited | kTrackingActiveAlways | kTrackingInVisibleRect, left);
    left->addTrackingArea(area);
    left->setFrame({-50, 0, 100, 100});  // half of it is outside the content view
    moveMouse(*left, {40, 10});
    moveMouse(*left, {60, 10});
    EXPECT_EQ(left->events, (std::vector<std::string>{"entered"}));
}

class EscapeController : public WindowController {
public:
    std::vector<std::string> keys;
    void keyDown(const Event& e) override { keys.push_back(e.characters); }
};

TEST_F(EventsTest, KeyEquivalentsComeBeforeTheResponderChainWhichEndsAtTheWindowController) {
    auto controller = WindowController::createWithWindow<EscapeController>(w);
    auto button = Button::create({0, 150, 80, 24});
    button->setKeyEquivalent("\r");
    button->setKeyEquivalentModifierMask(0);
    int pressed = 0;
    button->setTarget(controller);
    button->setAction([&](const std::shared_ptr<UIObject>&, Control&) { ++pressed; });
    w->contentView()->addSubview(button);
    left->takesFirstResponder = true;
    w->makeFirstResponder(left);

    key(kKeyCodeReturn, "\r");
    EXPECT_EQ(pressed, 1);
    EXPECT_TRUE(controller->keys.empty());
    key(0, "a");  // not handled by the view: passed up to the controller
    EXPECT_EQ(controller->keys, std::vector<std::string>{"a"});
    button->setEnabled(false);
    key(kKeyCodeReturn, "\r");
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(controller->keys, (std::vector<std::string>{"a", "\r"}));
}

TEST_F(EventsTest, KeyInterpretationMapsArrowsAndEscape) {
    const std::pair<uint16_t, const char*> cases[] = {
        {123, "moveLeft"}, {124, "moveRight"},      {125, "moveDown"},
        {126, "moveUp"},   {53, "cancelOperation"}, {0, "insert a"},
    };
    for (const auto& [code, expected] : cases) {
        left->events.clear();
        left->interpretKeyEvents({Event::keyEvent(EventType::KeyDown, code, "a", w)});
        EXPECT_EQ(left->events, std::vector<std::string>{expected}) << code;
    }
}

class UpdateDelegate : public WindowDelegate {
public:
    int updates = 0;
    int resigned = 0;
    void windowDidUpdate(Window&) override { ++updates; }
    void windowDidResignKey(Window&) override { ++resigned; }
};

TEST_F(EventsTest, EveryEventEndsWithAnUpdateAndANewKeyWindowResignsTheOld) {
    auto delegate = std::make_shared<UpdateDelegate>();
    w->setDelegate(delegate);
    click(*left, {1, 1});
    key(0, "x");
    EXPECT_EQ(delegate->updates, 4);
    auto other = window();
    EXPECT_EQ(delegate->resigned, 1);
    EXPECT_FALSE(w->isKeyWindow());
    // A borderless window cannot become key unless it says so.
    auto borderless = window({0, 0, 10, 10}, kWindowStyleBorderless);
    EXPECT_TRUE(other->isKeyWindow());
    EXPECT_FALSE(borderless->isKeyWindow());
}

TEST_F(EventsTest, ModalTrackingReadsTheQueueAndEndsWhenItIsEmpty) {
    auto slider = Slider::create({0, 120, 220, 20});  // knob 20: the value runs over x 10..210
    slider->setMinValue(0);
    slider->setMaxValue(100);
    w->contentView()->addSubview(slider);
    std::vector<double> sent;
    slider->setTarget(w);
    slider->setAction([&](const std::shared_ptr<UIObject>&, Control& c) { sent.push_back(c.doubleValue()); });

    auto& app = Application::shared();
    auto at = [&](EventType type, double x) {
        return Event::mouseEvent(type, slider->convertPoint_toView({x, 10}, nullptr), w);
    };
    app.postEvent_atStart(at(EventType::LeftMouseDragged, 60), false);
    app.postEvent_atStart(at(EventType::LeftMouseUp, 160), false);
    w->sendEvent(at(EventType::LeftMouseDown, 10));
    EXPECT_EQ(sent, (std::vector<double>{0, 25, 75}));
    EXPECT_EQ(app.pendingEventCount(), 0u);

    // Nothing queued: the loop ends at once after the press.
    sent.clear();
    w->sendEvent(at(EventType::LeftMouseDown, 110));
    EXPECT_EQ(sent, (std::vector<double>{50, 50}));
    EXPECT_FALSE(app.nextEventMatchingMask(kAnyEventMask));
}

}  // namespace
}  // namespace platform::ui
