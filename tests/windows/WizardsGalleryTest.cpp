// Every picture the wizards name is in the bundle, and every scene of the wizards is pictured.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/SceneRegistry.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/windows/WizardsFixture.h"
#include "windows/WindowArtwork.h"
#include "windows/WizardsGallery.h"

namespace kestrune {
namespace {

class WizardsGalleryTest : public wizardtests::WizardsFixture {
protected:
    void SetUp() override {
        WizardsFixture::SetUp();
        ui::CairoRenderer::installAsBackend();
    }
    void TearDown() override {
        unsetenv("KESTRUNE_COMPUTER_NAME");
        WizardsFixture::TearDown();
    }
};

TEST_F(WizardsGalleryTest, EveryPictureTheWizardsNameExists) {
    // Some are drawn by code, registered when the interface is installed.
    registerWindowArtwork();
    for (const char* name :
         {"security_general", "security_privacy", "main_wifi", "main_no_wifi", "main_wifi_done",
          "wifi_shortcut_on", "info_notification", "info_share", "info_save", "info_delete",
          "info_delete_all", "info_login_photos", "info_failed_login_photos", "info_history",
          "info_manual_snapshots", "info_locked", "info_unlocked"}) {
        auto image = ui::Image::imageNamed(name);
        ASSERT_TRUE(image) << name;
        EXPECT_GT(image->size().width, 0) << name;
    }
}

// Every fourth scene a test, starting from each of the first four: all 25 pictures in one test took some
// 40 s of processor time under the thread sanitizer alone.
constexpr size_t kSceneStride = 4;

class EveryWizardScene : public WizardsGalleryTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(EveryWizardScene, Pictures) {
    registerWizardsGallery();
    const auto names = ui::SceneRegistry::names();
    // 5 wake-unlock steps, 4 preference pages, 6 help and repair pages, 4 information pages, 6 Wi-Fi pages.
    EXPECT_EQ(names.size(), 25u);
    std::vector<std::string> taken;
    for (size_t index = GetParam(); index < names.size(); index += kSceneStride)
        taken.push_back(names[index]);
    ASSERT_FALSE(taken.empty());
    const std::string dir = home() + "/wizards";
    const auto scenes = renderScenes(dir, taken);
    EXPECT_EQ(scenes.size(), taken.size());
    for (const auto& scene : scenes) {
        EXPECT_EQ(scene.width, 1700) << scene.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Stretches, EveryWizardScene, ::testing::Range<size_t>(0, kSceneStride));

}  // namespace
}  // namespace kestrune
