// Every scene of the menu bar's gallery builds and is pictured, with every picture it names.

#include <gtest/gtest.h>

#include "app/records/PhoneRecordServices.h"
#include "app/store/DataManager.h"
#include "menubar/MenuBarGallery.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace kestrune {
namespace {

class MenuBarGalleryTest : public ui::test::Fixture {
protected:
    void TearDown() override {
        DataManager::resetSharedForTesting();
        PhoneRecordServices::install(nullptr);
        Fixture::TearDown();
    }
};

TEST_F(MenuBarGalleryTest, EverySceneRenders) {
    ui::CairoRenderer::installAsBackend();
    registerMenuBarGallery();
    const auto names = ui::SceneRegistry::names();
    EXPECT_EQ(names.size(), 12u);
    const std::string dir = home() + "/menubar";
    const auto scenes = renderEveryScene(dir);
    for (const auto& scene : scenes) {
        EXPECT_GE(scene.width, 550) << scene.name;  // the panel, 275 points, two pixels each
    }
    EXPECT_FALSE(logged("is missing"));
    EXPECT_FALSE(logged("no layout"));
}

}  // namespace
}  // namespace kestrune
