// Every picture and animation the screens name is in the bundle, and every scene of the screens is
// pictured.

#include <gtest/gtest.h>

#include "platform/ui/AnimationView.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/windows/screens/ScreensFixture.h"
#include "uikit/pagers/PageControl.h"
#include "windows/ScreensGallery.h"
#include "windows/WindowArtwork.h"

namespace kestrune {
namespace {

class ScreensGalleryTest : public screentests::ScreensFixture {
protected:
    void SetUp() override {
        ScreensFixture::SetUp();
        ui::CairoRenderer::installAsBackend();
    }
};

TEST_F(ScreensGalleryTest, EveryPictureAndAnimationTheScreensNameExists) {
    // Some are drawn by code, registered when the interface is installed.
    registerWindowArtwork();
    // The page dots are drawn by code; the control registers them for itself.
    PageControl::registerDotPictures();
    for (const char* name : {"screen_app_welcome",
                             "screen_app_settings_manual_photo",
                             "screen_app_shutdown",
                             "screen_store",
                             "screen_locked_bluetooth",
                             "screen_siri_all",
                             "screen_locked_faceid",
                             "screen_locked_yes_no",
                             "screen_locked_knock_twice",
                             "screen_app_rate",
                             "screen_locked_lock_unlock",
                             "screen_siri_settigns",
                             "screen_siri_shortcuts",
                             "screen_siri_record",
                             "mac_osx_notification",
                             "auth",
                             "screen_locked_insert_pass",
                             "logo_rectangle_2",
                             "mac_frame_status",
                             "bt_restart",
                             "vacuum_cleaner",
                             "restart_icon",
                             "initial_open_space",
                             "approximate_distance_estimation",
                             "initial_connection",
                             "bluetooth_icon",
                             "wizzard_iphone4",
                             "wizzard_iphone5",
                             "wizzard_page_indicator_empty",
                             "wizzard_page_indicator_full",
                             "wizzard_arrow_back",
                             "wizzard_arrow_next",
                             "wizzard_phone_frame",
                             "tutorial_switch_on",
                             "tutorial_distance_slider",
                             "tutorial_walk_away",
                             "tutorial_thumbs_up",
                             "share_facebook",
                             "share_twitter",
                             "BT.gif"}) {
        auto image = ui::Image::imageNamed(name);
        ASSERT_TRUE(image) << name;
        EXPECT_GT(image->size().width, 0) << name;
    }
    EXPECT_GE(ui::Image::imageNamed("BT.gif")->animationFrames().size(), 2u);
    for (const char* name : {"bluetooth", "checked_done", "confetti.json"})
        EXPECT_TRUE(ui::AnimationView::animationNamed(name)->isLoaded()) << name;
}

// Every sixth scene a test, starting from each of the first six: all 47 pictures in one test took over a
// minute of processor time under the thread sanitizer alone.
constexpr size_t kSceneStride = 6;

class EveryScreenScene : public ScreensGalleryTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(EveryScreenScene, Pictures) {
    registerScreensGallery();
    const auto names = ui::SceneRegistry::names();
    // 37 factory pages, the loading page, 4 of the wizard and 5 of the tutorial.
    EXPECT_EQ(names.size(), 47u);
    for (const char* expected : {"screens-loading-restarting-bluetooth", "screens-wizard-accept",
                                 "screens-wizard-not-supported", "screens-tutorial-finished"})
        EXPECT_TRUE(ui::SceneRegistry::has(expected)) << expected;
    std::vector<std::string> taken;
    for (size_t index = GetParam(); index < names.size(); index += kSceneStride)
        taken.push_back(names[index]);
    ASSERT_FALSE(taken.empty());
    const std::string dir = home() + "/screens";
    const auto scenes = renderScenes(dir, taken);
    EXPECT_EQ(scenes.size(), taken.size());
    for (const auto& scene : scenes) {
        EXPECT_EQ(scene.width, 1700) << scene.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Stretches, EveryScreenScene, ::testing::Range<size_t>(0, kSceneStride));

}  // namespace
}  // namespace kestrune
