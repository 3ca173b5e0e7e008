// Every scene of the settings window pictures the whole window at its fixed size, on the page it names,
// with the pictures its rows name.

#include "menubar/SettingsWindowGallery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "menubar/SettingsArtwork.h"
#include "platform/ui/RecordingContext.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/menubar/PagesFixture.h"
#include "uikit/bases/KSWindowController.h"

namespace pagetests {
namespace {

class SettingsWindowGalleryTest : public PagesFixture {};

// A screen page of 850 x 530 whose top ten points are red, for the scene of a screen pushed over a page.
std::shared_ptr<kestrune::KSWindowController> redToppedScreen() {
    auto screen = kestrune::KSWindowController::create<kestrune::KSWindowController>();
    screen->setWindow(ui::Window::create({0, 0, 850, 530}));
    auto top = ui::View::create({0, 520, 850, 10});
    top->setWantsLayer(true);
    top->layer()->setBackgroundColor(ui::Color::redColor());
    screen->window()->contentView()->addSubview(top);
    return screen;
}

// Every eighth scene a test, starting from each of the first eight: all 26 pictures in one test took half a
// minute of processor time under the address sanitizer alone, and more than ctest's limit under the
// thread sanitizer on a busy machine. Each scene is pictured once, and what is looked for in a picture is
// looked for by the test that takes it.
constexpr size_t kSceneStride = 8;

class EverySettingsScene : public SettingsWindowGalleryTest, public ::testing::WithParamInterface<size_t> {};

// The scenes set the machine up once per process, whichever test of a program run whole draws first.
TEST_P(EverySettingsScene, IsTheWholeWindow) {
    ui::CairoRenderer::installAsBackend();
    static int installs = 0;
    // The fixture's simulated machine is already in place.
    auto screen = redToppedScreen();
    kestrune::registerSettingsWindowGallery([] { ++installs; }, [screen] { return screen; });
    const auto names = ui::SceneRegistry::names();
    EXPECT_EQ(names.size(), 26u);
    std::vector<std::string> taken;
    for (size_t index = GetParam(); index < names.size(); index += kSceneStride)
        taken.push_back(names[index]);
    ASSERT_FALSE(taken.empty());
    const std::string dir = home() + "/settings";
    const auto scenes = renderScenes(dir, taken);
    EXPECT_EQ(installs, 1);
    EXPECT_EQ(scenes.size(), taken.size());
    for (const auto& scene : scenes) {
        EXPECT_EQ(scene.width, 2 * 1095) << scene.name;
        EXPECT_EQ(scene.height, 2 * 575) << scene.name;
    }
    const auto took = [&](const std::string& name) {
        return std::find(taken.begin(), taken.end(), name) != taken.end();
    };
    // Each scene looked at below is one of the gallery's, and so taken by one test of the eight.
    for (const char* looked :
         {"settings-devices-pairing", "settings-clipboard-not-connected",
          "settings-clipboard-not-connected-warning-opened", "settings-setup-no-phone",
          "settings-setup-no-phone-warning-opened", "settings-devices-battery-warning-opened"})
        EXPECT_NE(std::find(names.begin(), names.end(), looked), names.end()) << looked;

    // The screen pushed over the devices page.
    if (took("settings-devices-pairing")) {
        auto picture = ui::Image::initWithContentsOfFile(dir + "/settings-devices-pairing.png");
        ASSERT_TRUE(picture);
        const ui::Bitmap& pixels = *picture->bitmap();
        // Points from the window's top left, two pixels each.
        auto at = [&](double x, double y) { return pixels.rgbaAt(int(x * 2), int(y * 2)); };
        auto red = [](ui::Bitmap::RGBA p) { return p.r > 200 && p.g < 80 && p.b < 80; };
        // The bar (back button and title) takes the window's top 45 points; the screen's top edge comes
        // right under it, nothing cut.
        EXPECT_FALSE(red(at(700, 20)));
        EXPECT_TRUE(red(at(700, 46)));
        EXPECT_TRUE(red(at(700, 54)));
        EXPECT_FALSE(red(at(700, 57)));
        // The close button of the window's title bar, over the master pane's top left.
        const auto close = at(14, 11);
        EXPECT_GT(close.r, 200);
        EXPECT_LT(close.g, 130);
    }

    // The yellow warning at the top of a page takes 45 points folded and 85 opened.
    auto yellow = [](ui::Bitmap::RGBA p) { return p.r > 200 && p.g > 150 && p.b < 80; };
    for (const auto& [scene, height] : std::initializer_list<std::pair<std::string, double>>{
             {"settings-clipboard-not-connected", 45},
             {"settings-clipboard-not-connected-warning-opened", 85},
             {"settings-setup-no-phone", 45},
             {"settings-setup-no-phone-warning-opened", 85}}) {
        if (!took(scene)) continue;
        auto warning = ui::Image::initWithContentsOfFile(dir + "/" + scene + ".png");
        ASSERT_TRUE(warning) << scene;
        const ui::Bitmap& shown = *warning->bitmap();
        auto inWarning = [&](double y) { return yellow(shown.rgbaAt(int(1000 * 2), int(y * 2))); };
        EXPECT_TRUE(inWarning(height - 3)) << scene;
        EXPECT_FALSE(inWarning(height + 3)) << scene;
    }

    // The battery warning opened under the green distance row is drawn in the layout's grey over its
    // whole 85 points, though the reload gave it the cell the green row had.
    if (!took("settings-devices-battery-warning-opened")) return;
    auto opened = ui::Image::initWithContentsOfFile(dir + "/settings-devices-battery-warning-opened.png");
    ASSERT_TRUE(opened);
    const ui::Bitmap& battery = *opened->bitmap();
    auto colourAt = [&](double y) { return battery.rgbaAt(int(900 * 2), int(y * 2)); };
    auto green = [](ui::Bitmap::RGBA p) { return p.g > 180 && p.r < 60 && p.b < 130; };
    auto grey = [](ui::Bitmap::RGBA p) {
        return std::abs(p.r - 0x4C) < 8 && std::abs(p.g - 0x4C) < 8 && std::abs(p.b - 0x4C) < 8;
    };
    EXPECT_TRUE(green(colourAt(20)));
    for (double y : {48.0, 90.0, 127.0}) EXPECT_TRUE(grey(colourAt(y))) << y;
    EXPECT_FALSE(grey(colourAt(45 + 85 + 3)));
}

INSTANTIATE_TEST_SUITE_P(Stretches, EverySettingsScene, ::testing::Range<size_t>(0, kSceneStride));

TEST_F(SettingsWindowGalleryTest, EveryPictureTheRowsNameIsDrawn) {
    kestrune::registerSettingsArtwork();
    for (const char* name : {"menu_icon_devices",
                             "menu_icon_setup",
                             "menu_icon_wifi_unlock",
                             "menu_icon_photos",
                             "menu_icon_clipboard",
                             "menu_icon_music",
                             "menu_icon_advanced",
                             "menu_icon_updates",
                             "menu_icon_help",
                             "menu_icon_share",
                             "cell_icon_kestrune",
                             "cell_icon_double_knock",
                             "cell_icon_touch_id",
                             "cell_icon_yes_no",
                             "cell_icon_sleep",
                             "cell_icon_screensaver",
                             "cell_icon_bt_disconnect",
                             "cell_icon_smaller_distances",
                             "cell_icon_open_space",
                             "cell_icon_startup",
                             "cell_icon_auth_auto",
                             "cell_icon_notification",
                             "cell_icon_login_photos",
                             "cell_icon_failed_login_photos",
                             "cell_icon_login_history",
                             "cell_icon_manual_snapshots",
                             "cell_icon_sleep_screen",
                             "cell_icon_lock_shortcut",
                             "cell_icon_clipboard_shortcut",
                             "initial_clipboard",
                             "cell_icon_pause_music",
                             "cell_icon_more_options",
                             "cell_icon_facebook",
                             "cell_icon_twitter",
                             "cell_icon_rate",
                             "cell_icon_check_for_update_mac",
                             "cell_icon_automatic_check",
                             "cell_icon_iphone",
                             "cell_icon_faq",
                             "cell_icon_about",
                             "cell_icon_feedback",
                             "cell_icon_mac_wake_unlock_tutorial",
                             "cell_icon_clear_bt_cache_tutorial",
                             "cell_icon_troubleshooting_connection_tutorial",
                             "english",
                             "spain",
                             "portuguese",
                             "dutch",
                             "mainicon",
                             "Dock"}) {
        auto image = ui::Image::imageNamed(name);
        ASSERT_TRUE(image && image->drawingHandler()) << name;
        ui::RecordingContext context;
        ui::GraphicsContext::Scope scope(&context);
        EXPECT_TRUE(image->drawingHandler()({0, 0, 64, 64})) << name;
        EXPECT_FALSE(context.displayList().empty()) << name;
    }
    // A name that already has a picture keeps it.
    auto own = registerImage("cell_icon_rate", {10, 10});
    kestrune::registerSettingsArtwork();
    EXPECT_EQ(ui::Image::imageNamed("cell_icon_rate"), own);
}

}  // namespace
}  // namespace pagetests
