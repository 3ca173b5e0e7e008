// Every interface layout of the program loads, with its first object of the class named by the layout
// (or a window for a window controller's layout); and every scene of the lists and sharing gallery is
// pictured with the pictures it names.

#include <gtest/gtest.h>

#include "menubar/lists/ListViewModelController.h"
#include "platform/ui/Nib.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/bases/KestruneListViewWindow.h"
#include "windows/ListsGallery.h"
#include "windows/clipboard/ClipboardInfoViewController.h"
#include "windows/pagers/LoadingViewController.h"
#include "windows/pagers/SamplePagerVC.h"
#include "windows/sharing/KestruneImageController.h"
#include "windows/sharing/LoginPhotoContainer.h"
#include "windows/sharing/MugShotContainer.h"
#include "windows/sharing/MugShotGenerator.h"
#include "windows/tutorial/InitialTutorialController.h"
#include "windows/wizard/InitalWizzardController.h"

namespace kestrune {
namespace {

class LayoutsAndGalleryTest : public ui::test::Fixture {};

TEST_F(LayoutsAndGalleryTest, EveryLayoutLoadsWhatItIsNamedFor) {
    // The window controllers' layouts connect their outlets on an owner of their class.
    auto listWindow = KSWindowController::create<KestruneListViewWindow>();
    ASSERT_TRUE(listWindow->window());
    EXPECT_TRUE(listWindow->listView && listWindow->title && listWindow->bottomInfoTextField &&
                listWindow->bottomRightButton.lock() && listWindow->bottomCenterButton.lock() &&
                listWindow->infoButton.lock() && listWindow->listViewBackgroundView.lock());
    EXPECT_EQ(listWindow->window()->delegate().get(), static_cast<ui::WindowDelegate*>(listWindow.get()));
    auto imageWindow = KSWindowController::create<KestruneImageController>();
    ASSERT_TRUE(imageWindow->window());
    EXPECT_TRUE(imageWindow->imageView);
    auto failed = KSWindowController::create<MugShotContainer>();
    ASSERT_TRUE(failed->window());
    EXPECT_TRUE(failed->view && failed->bustedImageView && failed->kestruneIconImage &&
                failed->mugShotImageView && failed->mugShotTextField && failed->mugShotBottomTextField);
    auto login = KSWindowController::create<LoginPhotoContainer>();
    ASSERT_TRUE(login->window());
    EXPECT_TRUE(login->view && login->bustedImageView && login->kestruneIconImage &&
                login->kestruneBottomIcon && login->mugShotTextField && login->mugShotBottomTextField);

    auto clipboard = KSWindowController::create<ClipboardInfoViewController>();
    ASSERT_TRUE(clipboard->window());
    EXPECT_TRUE(clipboard->titleLabel.lock() && clipboard->descriptionLabel.lock() &&
                clipboard->sentClipboardButton.lock() && clipboard->shortcutImageVIew.lock() &&
                clipboard->bottomLabel.lock() && clipboard->devicesNotConnectedLabel.lock() &&
                clipboard->sentToMacLabel.lock() && clipboard->getFromMacLabel.lock() &&
                clipboard->clipboardLabel.lock());

    const std::set<std::string> windowLayouts{"KestruneListViewWindow",     "KestruneImageController",
                                              "MugShotContainer",           "LoginPhotoContainer",
                                              "KSPageViewController",       "InitialTutorialController",
                                              "KestruneCollectionWindow",   "ActivityVizualizationController",
                                              "ClipboardInfoViewController"};
    // The screens' pages: the page's view comes first (its controller is the owner).
    const std::set<std::string> pageLayouts{
        "BasePagerViewController", "InfoViewController", "DeviceInfoViewController",
        "DeviceInfoViewController2", "MacDeviceInfoViewController", "MacPhoneDeviceViewController",
        "IphoneMultiStepViewController", "LoadingViewController", "ConfigureViewController",
        "NotSupportedViewController", "MacSleepScreenConnectToiPhone", "TutorialSetUpKestrune",
        "TutorialWalkAway", "TutorialFinished", "FinishViewController", "FinishPreviewController",
        // The history window's filter bar and the photo window's popover.
        "FilterController", "PpopverContentInfoController",
        // The wizards' pages.
        "MacSleepScreenFirstViewController", "MacSleepScreenTurnKestruneOff",
        "MacSleepScreenTutorialStepViewController", "SimpleButtonBaseController",
        "UpdateSecuritySettingsViewController", "FailedLoginPhotosView", "ManualSnapshotsTutorialView",
        "MacControllerTrackTutorialView", "MacControlPhotosTutorialView", "SafeWifiFirstController",
        "SafeWifiAddNewWifiController", "SafeWifiFinishController", "SafeWifiEditController"};
    // Each screen's class keeps its layout in this program.
    EXPECT_TRUE(KSWindowController::create<InitalWizzardController>()->window());
    EXPECT_TRUE(KSWindowController::create<InitialTutorialController>()->window());
    EXPECT_TRUE(BaseViewController::create<LoadingViewController>()->mainTextField);
    EXPECT_TRUE(BaseViewController::create<SamplePagerVC>()->contentViewContainer());
    // The list page made through its layout (which also keeps that layout in this program).
    auto page = ListViewModelController::initWithListViewModel({});
    EXPECT_TRUE(page->listView);
    EXPECT_EQ(page->mainView().get(), page->listView->superview());

    // The settings window's pages and the shield keep their layouts beside their controllers in the folders
    // below; whether they are linked in here depends on what the linker takes with the code around them.
    // Each of them names the controller whose view comes first.
    const std::set<std::string> linkedFromBelow{"LoginPhotosView", "NotificationViewController",
                                                "SettingsDetailViewController",
                                                "SettingsMasterViewController", "ShieldViewController"};
    const auto names = ui::NibRegistry::names();
    // 24 cells, the list page, the list window, the image window, two cards; the screens' 16 pages and
    // their 2 paged windows; the photo window, the chart, the history filter bar, the photo popover and the
    // history row; the clipboard window; the wizards' 13 pages and the trusted network's row, and what the
    // linker brought from below.
    const auto fromBelow = std::count_if(
        names.begin(), names.end(), [&](const std::string& name) { return linkedFromBelow.count(name); });
    EXPECT_GE(names.size() - fromBelow, 67u);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        const auto objects = ui::Nib::load(name, nullptr);
        ASSERT_FALSE(objects.empty());
        if (windowLayouts.count(name)) {
            EXPECT_TRUE(std::dynamic_pointer_cast<ui::Window>(objects.front()));
        } else if (name == "ListViewModelController" || pageLayouts.count(name) ||
                   linkedFromBelow.count(name)) {
            EXPECT_EQ(objects.front()->className(), "View");
        } else {
            EXPECT_EQ(objects.front()->className(), name);
        }
    }
}

TEST_F(LayoutsAndGalleryTest, EveryGalleryScenePictures) {
    ui::CairoRenderer::installAsBackend();
    registerListsAndSharingGallery();
    const auto names = ui::SceneRegistry::names();
    EXPECT_EQ(names.size(), 7u);
    const std::string dir = home() + "/lists";
    const auto scenes = renderEveryScene(dir);
    for (const auto& scene : scenes) {
        EXPECT_GE(scene.width, 700) << scene.name;
    }
    for (const char* picture :
         {"shadow", "devices_macbook_pro", "devices_iphone_6", "devices_distance", "wizzard_button",
          "wizzard_close_button", "kestrune_logo", "mugshot_lineup", "unlocked_with_kestrune_icon",
          "unlocked_with_kestrune_automatic_icon", "unlocked_with_wifi_icon", "unlocked_with_password_icon",
          "devices_distance_attention"})
        EXPECT_TRUE(ui::Image::imageNamed(picture)) << picture;
}

}  // namespace
}  // namespace kestrune
