// The settings window's navigation as the coordinator drives it through its interface: the factory's
// master list, pages and screens crossing as view controllers, the pages it refreshes by name, and what
// it cannot show.

#include "menubar/navigation/SettingsWindowNavigation.h"

#include <gtest/gtest.h>

#include "menubar/pages/DevicesMenuManager.h"
#include "tests/menubar/PagesFixture.h"
#include "tests/menubar/ShowingNavigationDelegate.h"

namespace pagetests {
namespace {

using kestrune::SettingsWindowNavigation;

class SettingsWindowNavigationTest : public PagesFixture {
protected:
    void SetUp() override {
        PagesFixture::SetUp();
        local().setVeryFirstKestruneRunDate(platform::Date::now());
        window = kestrune::WAYSourceListWindow::create({0, 0, 800, 500});
        adapter = std::make_shared<SettingsWindowNavigation>();
        auto showing = std::make_shared<ShowingNavigationDelegate>();
        showing->navigation = adapter;
        navigation = showing;
        adapter->initWithDelegate(navigation);
        adapter->setup(window);
        ui::Application::shared().activateIgnoringOtherApps(true);
        window->makeKeyAndOrderFront();
        adapter->setInitialListViewModelFromFactory();
        advance(1);
    }
    void TearDown() override {
        window->close();
        settle();
        PagesFixture::TearDown();
    }
    std::vector<std::string> stack() const {
        std::vector<std::string> out;
        for (const auto& page : adapter->navigationManager()->viewModelStack())
            out.push_back(page->baseController() ? page->baseController()->className() : "?");
        return out;
    }

    std::shared_ptr<kestrune::WAYSourceListWindow> window;
    std::shared_ptr<SettingsWindowNavigation> adapter;
};

TEST_F(SettingsWindowNavigationTest, TheDevicesRowOpensTheDevicesPageThatFollowsThePhone) {
    EXPECT_EQ(window->frame(), (ui::Rect{200, 200, 1095, 575}));
    // The master list's first row is selected and its page shown.
    auto devices = adapter->factory()->devicesMenuManager;
    ASSERT_TRUE(devices);
    EXPECT_EQ(adapter->navigationManager()->master()->listViewModel().size(), 12u);
    EXPECT_EQ(adapter->navigationManager()->detail()->currentContentView(),
              devices->getViewController()->mainView());
    EXPECT_TRUE(devices->viewControllerIsShown());
    EXPECT_EQ(rowsOf(*devices).back(), "SimpleButtonCell add_new_device_action");

    addTrackedPhone(true);
    adapter->updateDevicesPage();
    EXPECT_EQ(rowsOf(*devices).back(), "SimpleButtonCell unpair");
    // The set-up page is not shown: it is not rebuilt.
    adapter->updateSetupPage();
    EXPECT_TRUE(adapter->factory()->setupMenuManager->getViewController()->listViewModel().empty());

    bool done = false;
    adapter->selectRowId_completion("setupMenu", [&] { done = true; });
    advance(1);
    EXPECT_TRUE(done);
    EXPECT_TRUE(adapter->factory()->setupMenuManager->viewControllerIsShown());
    EXPECT_FALSE(devices->viewControllerIsShown());

    // The clipboard page, which the coordinator opens before explaining clipboard sharing.
    adapter->selectRowId_completion("clipboardMenu", nullptr);
    advance(1);
    auto clipboard = adapter->factory()->clipboardManager;
    ASSERT_TRUE(clipboard);
    EXPECT_EQ(adapter->navigationManager()->detail()->currentContentView(),
              clipboard->getViewController()->mainView());
    EXPECT_EQ(rowsOf(*clipboard)[3], "SimpleButtonCell send_clipboard_to_ios");

    // A row the list does not have: the completion still runs.
    done = false;
    adapter->selectRowId_completion("noSuchMenu", [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_TRUE(logged("no row noSuchMenu in the master list"));
}

TEST_F(SettingsWindowNavigationTest, PagesAndScreensArePushedAndPoppedScreensOfOtherKindsAreNot) {
    adapter->selectRowId_completion("updatesMenu", nullptr);
    advance(1);
    auto translation = adapter->translationPage();
    ASSERT_TRUE(translation);
    EXPECT_EQ(adapter->translationPage(), translation);
    adapter->pushDetailList(translation);
    advance(1);
    EXPECT_EQ(stack(), (std::vector<std::string>{"ListViewModelController", "ListViewModelController"}));
    EXPECT_EQ(adapter->navigationManager()->detail()->titleText->stringValue(), "localization_improvement");
    adapter->pop();
    EXPECT_EQ(stack().size(), 1u);

    auto screen = kestrune::BaseViewController::create();
    adapter->showDetailController_title_source_popToRoot(screen, "", 2, false);
    EXPECT_EQ(stack().size(), 2u);
    adapter->popToRootAnimated(false);
    EXPECT_EQ(stack().size(), 1u);

    adapter->pushDetailController(std::make_shared<ui::ViewController>());
    EXPECT_EQ(stack().size(), 1u);
    EXPECT_TRUE(logged("is not a page of the detail pane"));

    auto plain = std::make_shared<SettingsWindowNavigation>();
    plain->initWithDelegate(navigation);
    plain->setup(ui::Window::create({0, 0, 100, 100}));
    EXPECT_TRUE(logged("not a source-list window"));
}

}  // namespace
}  // namespace pagetests
