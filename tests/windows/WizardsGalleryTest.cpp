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

TEST_F(WizardsGalleryTest, EveryWizardScenePictures) {
    registerWizardsGallery();
    const auto names = ui::SceneRegistry::names();
    // 5 wake-unlock steps, 4 preference pages, 6 help and repair pages, 4 information pages, 6 Wi-Fi pages.
    EXPECT_EQ(names.size(), 25u);
    const std::string dir = home() + "/wizards";
    const auto scenes = renderEveryScene(dir);
    for (const auto& scene : scenes) {
        EXPECT_EQ(scene.width, 1700) << scene.name;
    }
}

}  // namespace
}  // namespace kestrune
