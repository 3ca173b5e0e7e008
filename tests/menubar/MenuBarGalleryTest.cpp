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
    EXPECT_EQ(ui::SceneRegistry::renderAll(dir, {}), 0);
    for (const auto& name : names) {
        auto picture = ui::Image::initWithContentsOfFile(dir + "/" + name + ".png");
        ASSERT_TRUE(picture) << name;
        EXPECT_GE(picture->bitmap()->width, 550) << name;  // the panel, 275 points, two pixels each
    }
    EXPECT_FALSE(logged("is missing"));
    EXPECT_FALSE(logged("no layout"));
}

}  // namespace
}  // namespace kestrune
