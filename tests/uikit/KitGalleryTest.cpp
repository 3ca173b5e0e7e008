// Every scene of the kit's gallery builds and is pictured.

#include <gtest/gtest.h>

#include "platform/ui/SceneRegistry.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/KitGallery.h"

namespace kestrune {
namespace {

class KitGalleryTest : public ui::test::Fixture {};

TEST_F(KitGalleryTest, EverySceneRendersAtTheScreensScale) {
    ui::CairoRenderer::installAsBackend();
    registerInterfaceKitGallery();
    const auto names = ui::SceneRegistry::names();
    EXPECT_EQ(names, (std::vector<std::string>{"kit-blur", "kit-buttons", "kit-images", "kit-palette",
                                               "kit-split-window", "kit-switches", "kit-text"}));
    const std::string dir = home() + "/kit";
    const auto scenes = renderEveryScene(dir);
    for (const auto& scene : scenes) {
        EXPECT_GE(scene.width, 900) << scene.name;  // windows of 460 points and more, two pixels each
    }
    EXPECT_FALSE(logged("is missing"));  // the pictures the controls name are all there
}

}  // namespace
}  // namespace kestrune
