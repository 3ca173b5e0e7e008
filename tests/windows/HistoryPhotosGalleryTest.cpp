// The history and photo windows' layouts connect every outlet, their pictures exist, and every scene of
// their gallery is pictured from the simulated camera's frames.

#include <gtest/gtest.h>

#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/windows/RecordWindowsFixture.h"
#include "windows/HistoryPhotosGallery.h"
#include "windows/history/ActivityVizualizationController.h"
#include "windows/history/FilterController.h"
#include "windows/history/TrackEventCell.h"
#include "windows/photos/KestruneCollectionWindow.h"
#include "windows/photos/PpopverContentInfoController.h"

namespace kestrune::windowtests {
namespace {

class HistoryPhotosGalleryTest : public RecordWindowsTest {};

TEST_F(HistoryPhotosGalleryTest, TheLayoutsConnectEveryOutlet) {
    auto photos = KSWindowController::create<KestruneCollectionWindow>();
    ASSERT_TRUE(photos->window());
    EXPECT_TRUE(photos->gridView && photos->gridScrollView && photos->mainImageView &&
                photos->fullScreenImage && photos->infoLabel && photos->infoImageView &&
                photos->notificationButton && photos->notificationLable && photos->trashButton &&
                photos->shareButton && photos->downloadButton && photos->deleteAllButton);
    // The grid made by the layout follows the scroll view it was put in afterwards.
    EXPECT_EQ(photos->gridView->enclosingScrollView(), photos->gridScrollView);
    EXPECT_TRUE(photos->gridScrollView->contentView()->postsBoundsChangedNotifications());
    auto chart = KSWindowController::create<ActivityVizualizationController>();
    ASSERT_TRUE(chart->window());
    EXPECT_TRUE(chart->gridView && chart->gridScrollView);
    auto bar = FilterController::create();
    EXPECT_TRUE(bar->startButton && bar->loginButton && bar->logoutButton && bar->sessionButton &&
                bar->failedLoginButton && bar->filterLabel);
    auto popover = PpopverContentInfoController::create();
    EXPECT_TRUE(popover->label && popover->button1 && popover->button2);
    auto cell = TrackEventCell::loadFromNib();
    ASSERT_TRUE(cell);
    EXPECT_TRUE(cell->dateText && cell->titleLabel && cell->icon && cell->secondaryIcon &&
                cell->backgroundImage);
    EXPECT_EQ(cell->frame().height(), 55);
    for (const char* picture : {"started", "unlocked", "locked", "session_duration", "failed_login_attempt",
                                "img_placeholder", "failed_login_background", "placeholder",
                                "placeholder_big", "wizzard_refund_smiley", "popup_button"})
        EXPECT_TRUE(ui::Image::imageNamed(picture)) << picture;
}

TEST_F(HistoryPhotosGalleryTest, EveryScenePictures) {
    registerHistoryAndPhotosGallery(&platform::SimulatedCamera::testPattern);
    const auto names = ui::SceneRegistry::names();
    EXPECT_EQ(names.size(), 12u);  // two history windows, the chart, two photo windows, seven popovers
    const std::string dir = home() + "/pictures";
    const auto scenes = renderEveryScene(dir);
    for (const auto& scene : scenes) {
        EXPECT_GE(scene.width, 600) << scene.name;
    }
}

}  // namespace
}  // namespace kestrune::windowtests
