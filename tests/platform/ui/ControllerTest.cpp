// View and window controllers: appearance callbacks, interface layouts.

#include <gtest/gtest.h>

#include "platform/ui/Button.h"
#include "platform/ui/Nib.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WindowController.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

std::vector<std::string> calls;

class RecordingController : public ViewController {
public:
    std::string name;
    void viewWillAppear() override { calls.push_back(name + " willAppear"); }
    void viewDidAppear() override { calls.push_back(name + " didAppear"); }
    void viewWillDisappear() override { calls.push_back(name + " willDisappear"); }
    void viewDidDisappear() override { calls.push_back(name + " didDisappear"); }
};

std::shared_ptr<RecordingController> controller(const std::string& name) {
    auto c = std::make_shared<RecordingController>();
    c->name = name;
    c->setView(View::create({0, 0, 50, 50}));
    return c;
}

class ControllerTest : public test::Fixture {
protected:
    void SetUp() override {
        test::Fixture::SetUp();
        calls.clear();
    }
};

TEST_F(ControllerTest, ControllersHearWhenTheirTreeEntersOrLeavesAVisibleWindow) {
    auto outer = controller("outer");
    auto inner = controller("inner");
    outer->view()->addSubview(inner->view());
    auto w = window();
    w->orderOut();
    w->contentView()->addSubview(outer->view());
    EXPECT_TRUE(calls.empty());  // the window is not visible

    w->orderFront();
    EXPECT_EQ(calls, (std::vector<std::string>{"outer willAppear", "inner willAppear", "outer didAppear",
                                               "inner didAppear"}));
    calls.clear();
    w->orderFront();  // already visible: nothing new
    EXPECT_TRUE(calls.empty());

    inner->view()->removeFromSuperview();
    EXPECT_EQ(calls, (std::vector<std::string>{"inner willDisappear", "inner didDisappear"}));
    calls.clear();
    w->contentView()->addSubview(inner->view());
    EXPECT_EQ(calls, (std::vector<std::string>{"inner willAppear", "inner didAppear"}));
    calls.clear();
    w->orderOut();
    EXPECT_EQ(calls, (std::vector<std::string>{"outer willDisappear", "inner willDisappear",
                                               "outer didDisappear", "inner didDisappear"}));
    calls.clear();
    auto other = window();
    other->setContentView(outer->view());  // moved into a visible window from a hidden one
    EXPECT_EQ(calls, (std::vector<std::string>{"outer willAppear", "outer didAppear"}));
}

std::vector<std::string> awoken;

class AwakeButton : public Button {
public:
    void awakeFromNib() override { awoken.push_back("button " + std::to_string(tag())); }
};

class AwakeView : public View {
public:
    std::shared_ptr<AwakeButton> okButton;  // outlet between objects
    void awakeFromNib() override { awoken.push_back("view"); }
};

class PanelController : public ViewController {
public:
    std::shared_ptr<AwakeButton> okButton;
    std::shared_ptr<AwakeButton> cancelButton;
};

TEST_F(ControllerTest, LoadingALayoutConnectsOutletsThenWakesObjectsInCreationOrder) {
    NibRegistry::add("PanelController", [](NibLoader& nib) {
        auto root = nib.make<AwakeView>({0, 0, 200, 100});
        auto ok = nib.make<AwakeButton>({10, 10, 80, 24});
        ok->setTag(1);
        auto cancel = nib.make<AwakeButton>({100, 10, 80, 24});
        cancel->setTag(2);
        root->addSubview(ok);
        root->addSubview(cancel);
        root->okButton = ok;
        if (auto owner = nib.owner<PanelController>()) {
            owner->setView(root);
            owner->okButton = ok;
            owner->cancelButton = cancel;
        }
        nib.addTopLevel(root);
    });
    awoken.clear();
    auto c = ViewController::createWithNibName<PanelController>("PanelController");
    EXPECT_FALSE(c->isViewLoaded());
    auto view = c->view();
    ASSERT_TRUE(view);
    ASSERT_TRUE(c->okButton && c->cancelButton);
    EXPECT_EQ(c->okButton->frame(), Rect(10, 10, 80, 24));
    EXPECT_TRUE(c->okButton->wasCreatedFromNib());
    EXPECT_EQ(std::dynamic_pointer_cast<AwakeView>(view)->okButton, c->okButton);
    EXPECT_EQ(awoken, (std::vector<std::string>{"view", "button 1", "button 2"}));
    EXPECT_EQ(view->viewController(), c);

    // A cell loaded by class: the first top-level object of that class.
    EXPECT_TRUE(Nib::loadFirst<AwakeView>("PanelController", nullptr));
    EXPECT_FALSE(Nib::loadFirst<Button>("PanelController", nullptr));
    EXPECT_TRUE(Nib::load("NoSuchLayout", nullptr).empty());
    EXPECT_TRUE(logged("no interface layout named NoSuchLayout"));
    EXPECT_TRUE(NibRegistry::has("PanelController"));
}

class TwoPathView : public View {
public:
    std::vector<std::string> paths;
    void initWithFrame(Rect frame) override {
        View::initWithFrame(frame);
        paths.push_back("frame");
    }
    void initFromNib(NibArgs& args) override {
        View::initFromNib(args);
        paths.push_back("nib");
    }
};

TEST_F(ControllerTest, ObjectsOfALayoutTakeTheLayoutPathOnly) {
    NibRegistry::add("TwoPaths", [](NibLoader& nib) {
        nib.addTopLevel(nib.make<TwoPathView>({1, 2, 3, 4}));
        nib.addTopLevel(nib.make<ScrollView>({0, 0, 50, 50}));
    });
    const auto objects = Nib::load("TwoPaths", nullptr);
    ASSERT_EQ(objects.size(), 2u);
    auto view = std::dynamic_pointer_cast<TwoPathView>(objects[0]);
    EXPECT_EQ(view->paths, std::vector<std::string>{"nib"});
    EXPECT_EQ(view->frame(), Rect(1, 2, 3, 4));
    EXPECT_EQ(make<TwoPathView>(Rect{})->paths, std::vector<std::string>{"frame"});
    EXPECT_TRUE(std::dynamic_pointer_cast<ScrollView>(objects[1])->contentView());
}

TEST_F(ControllerTest, ALayoutRegisteredByATestIsGoneForTheNext) {
    EXPECT_FALSE(NibRegistry::has("PanelController"));
}

TEST_F(ControllerTest, WindowControllersLoadTheirWindowOnceAndFollowItInTheResponderChain) {
    int loads = 0;
    NibRegistry::add("Settings", [&](NibLoader& nib) {
        ++loads;
        auto w = nib.make<Window>({100, 100, 300, 200}, kWindowStyleTitled);
        nib.addTopLevel(w);
    });
    auto c = WindowController::createWithWindowNibName("Settings");
    auto w = c->window();
    ASSERT_TRUE(w);
    EXPECT_EQ(c->window(), w);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(w->nextResponder(), c);
    EXPECT_EQ(w->contentView()->frame(), Rect(0, 0, 300, 200));
    c->showWindow();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isKeyWindow());
}

}  // namespace
}  // namespace platform::ui
