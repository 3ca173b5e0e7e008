// Popovers: placed against an edge of a view on the screen, kept alive while shown, closed by a click
// elsewhere when transient, with their delegate told in order. The sharing picker: its showing
// recorded, the user's pick reaching the chosen service with the picker delegate's service delegate.

#include <gtest/gtest.h>

#include "platform/ui/Popover.h"
#include "platform/ui/SharingServicePicker.h"
#include "platform/ui/ViewController.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class PopoverAndPickerTest : public test::Fixture {};

class Journal : public PopoverDelegate, public SharingServicePickerDelegate, public SharingServiceDelegate {
public:
    std::vector<std::string> lines;
    bool mayClose = true;
    std::shared_ptr<Window> source;
    void popoverWillShow(Popover&) override { lines.push_back("willShow"); }
    void popoverDidShow(Popover&) override { lines.push_back("didShow"); }
    bool popoverShouldClose(Popover&) override {
        lines.push_back("shouldClose");
        return mayClose;
    }
    void popoverWillClose(Popover&) override { lines.push_back("willClose"); }
    void popoverDidClose(Popover&) override { lines.push_back("didClose"); }
    std::shared_ptr<SharingServiceDelegate> sharingServicePicker_delegateForSharingService(
        SharingServicePicker&, SharingService& service) override {
        lines.push_back("delegateFor " + service.name());
        return std::dynamic_pointer_cast<SharingServiceDelegate>(shared());
    }
    void sharingServicePicker_didChooseSharingService(SharingServicePicker&,
                                                      SharingService* service) override {
        lines.push_back(std::string("chose ") + (service ? service->name() : "none"));
    }
    std::shared_ptr<Window> sharingService_sourceWindowForShareItems_sharingContentScope(
        SharingService&, const std::vector<SharingItem>&, int*) override {
        return source;
    }
    void sharingService_didShareItems(SharingService&, const std::vector<SharingItem>& items) override {
        lines.push_back("shared " + std::to_string(items.size()));
    }
    std::function<std::shared_ptr<Journal>()> shared;
};

TEST_F(PopoverAndPickerTest, APopoverSitsBelowItsViewAndClosesOnAClickElsewhere) {
    auto w = window({100, 100, 400, 300});
    auto button = View::create({50, 40, 100, 30});
    w->contentView()->addSubview(button);
    auto journal = std::make_shared<Journal>();
    auto content = std::make_shared<ViewController>();
    content->setView(View::create({0, 0, 200, 80}));

    std::weak_ptr<Popover> weak;
    {
        auto popover = Popover::create();
        popover->setBehavior(PopoverBehavior::Transient);
        popover->setDelegate(journal);
        popover->showRelativeToRect_ofView_preferredEdge({}, button, RectEdge::MinY);
        EXPECT_FALSE(popover->isShown());  // no content yet
        popover->setContentViewController(content);
        popover->showRelativeToRect_ofView_preferredEdge({}, button, RectEdge::MinY);
        ASSERT_TRUE(popover->isShown());
        // Centred under the button (screen x 150..250, bottom at y 140), with a small gap.
        EXPECT_EQ(popover->window()->frame(), (Rect{100, 56, 200, 80}));
        EXPECT_TRUE(popover->window()->isVisible());
        EXPECT_EQ(popover->window()->contentView(), content->view());
        EXPECT_EQ(popover->positioningRect(), (Rect{0, 0, 100, 30}));
        weak = popover;
    }
    // Shown, it keeps itself.
    ASSERT_FALSE(weak.expired());
    EXPECT_EQ(Popover::shownPopovers().size(), 1u);
    // A click in the popover leaves it; one in the window closes it.
    click(*content->view(), {10, 10});
    EXPECT_TRUE(weak.lock()->isShown());
    click(*w->contentView(), {300, 250});
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(journal->lines,
              (std::vector<std::string>{"willShow", "didShow", "shouldClose", "willClose", "didClose"}));
}

TEST_F(PopoverAndPickerTest, ADelegateMayRefuseAUserCloseButNotAClose) {
    auto w = window();
    auto anchor = View::create({10, 10, 20, 20});
    w->contentView()->addSubview(anchor);
    auto journal = std::make_shared<Journal>();
    journal->mayClose = false;
    auto content = std::make_shared<ViewController>();
    content->setView(View::create({0, 0, 60, 40}));
    auto popover = Popover::create();
    popover->setDelegate(journal);
    popover->setContentViewController(content);
    popover->showRelativeToRect_ofView_preferredEdge({}, anchor, RectEdge::MaxX);
    EXPECT_EQ(popover->window()->frame(), (Rect{134, 100, 60, 40}));  // to the right, centred
    popover->performClose();
    EXPECT_TRUE(popover->isShown());
    click(*w->contentView(), {300, 250});  // application-defined: stays
    EXPECT_TRUE(popover->isShown());
    popover->close();
    EXPECT_FALSE(popover->isShown());
    EXPECT_FALSE(popover->window()->isVisible());
    EXPECT_TRUE(Popover::shownPopovers().empty());
}

TEST_F(PopoverAndPickerTest, APickerRecordsItsShowingAndHandsTheItemsToTheChosenService) {
    auto w = window();
    auto button = View::create({10, 10, 80, 30});
    w->contentView()->addSubview(button);
    auto journal = std::make_shared<Journal>();
    journal->shared = [journal] { return journal; };
    journal->source = w;
    auto picture = Image::create({4, 4});
    auto picker = SharingServicePicker::initWithItems({std::string("Busted"), picture});
    picker->setDelegate(journal);
    picker->showRelativeToRect_ofView_preferredEdge(button->bounds(), button, RectEdge::MinY);
    ASSERT_EQ(SharingServicePicker::shown().size(), 1u);
    EXPECT_EQ(SharingServicePicker::shown()[0].view.lock(), button);
    EXPECT_EQ(SharingServicePicker::openPicker(), picker);

    EXPECT_TRUE(picker->chooseSharingServiceNamed(SharingService::kNameComposeEmail));
    EXPECT_FALSE(SharingServicePicker::openPicker());
    EXPECT_EQ(journal->lines,
              (std::vector<std::string>{"chose ComposeEmail", "delegateFor ComposeEmail", "shared 2"}));
    const auto performed = SharingService::performed();
    ASSERT_EQ(performed.size(), 1u);
    EXPECT_EQ(performed[0].items.size(), 2u);
    EXPECT_EQ(performed[0].sourceWindow.lock(), w);
    journal->lines.clear();
    EXPECT_FALSE(picker->chooseSharingServiceNamed("Carrier pigeon"));
    EXPECT_EQ(journal->lines, (std::vector<std::string>{"chose none"}));
    journal->shared = nullptr;  // the closure held the journal
}

}  // namespace
}  // namespace platform::ui
