// Pictures of the interface are written by the hundred (`--snapshot` draws some 150 scenes, `--snapshots`
// two for every step of a scenario, `make road-pictures` plays one whole): each is drawn, coded as PNG
// and written to a file. The panel with a connected phone, 550 x 754 pixels at the screen's scale, is a
// typical one. Writing its picture whole (drawn, coded, written) should stay under 35 ms of processor
// time, and coding and writing it alone under 30 ms: the PNG coder deflates at zlib's default level, and
// deflating once more at the best level took some 75 ms for files a few per cent smaller.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <optional>

#include "menubar/MenuBarGallery.h"
#include "platform/base/Clock.h"
#include "platform/ui/DisplayCycle.h"
#include "platform/ui/Image.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "platform/ui/cairo/CairoRenderer.h"

namespace {

constexpr const char* kScene = "menubar-panel-connected";

// The scene built once, in a throwaway home, with the Cairo and Pango backend.
const platform::ui::Scene& panelScene() {
    static const std::optional<platform::ui::Scene> scene = [] {
        platform::Clock::useVirtualTime();
        platform::ui::DisplayCycle::install();
        platform::ui::CairoRenderer::installAsBackend();
        kestrune::registerMenuBarGallery();
        return platform::ui::SceneRegistry::drawScene(kScene);
    }();
    static const platform::ui::Scene none;
    return scene ? *scene : none;
}

std::string picturePath() {
    return platform::ui::SceneRegistry::useThrowawayHome() + "/picture.png";
}

void BM_WriteScenePicture(benchmark::State& state) {
    const auto& scene = panelScene();
    if (!scene.window && !scene.view) return state.SkipWithError("the scene was not drawn");
    const std::string path = picturePath();
    for (auto _ : state)
        if (!platform::ui::SceneRegistry::writePicture(scene, path))
            return state.SkipWithError("the picture was not written");
}
BENCHMARK(BM_WriteScenePicture)->Unit(benchmark::kMillisecond);

// The same picture, already drawn: its PNG coding and the file's writing alone.
void BM_WriteDrawnPicture(benchmark::State& state) {
    const auto& scene = panelScene();
    const std::shared_ptr<platform::ui::View> root = scene.view     ? scene.view
                                                     : scene.window ? scene.window->contentView()
                                                                    : nullptr;
    if (!root) return state.SkipWithError("the scene was not drawn");
    const auto image = root->bitmapImageRepForCachingDisplayInRect(root->bounds());
    root->cacheDisplayInRect_toBitmapImageRep(root->bounds(), image);
    const std::string path = picturePath();
    for (auto _ : state)
        if (!image->writePNGToFile(path)) return state.SkipWithError("the picture was not written");
}
BENCHMARK(BM_WriteDrawnPicture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
