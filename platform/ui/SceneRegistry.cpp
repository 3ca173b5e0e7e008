#include "platform/ui/SceneRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/storage/ThrowawayHome.h"
#include "platform/ui/DisplayCycle.h"
#include "platform/ui/Image.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
std::map<std::string, SceneRegistry::Builder>& scenes() {
    static std::map<std::string, SceneRegistry::Builder> all;
    return all;
}
}  // namespace

void SceneRegistry::add(const std::string& name, Builder builder) {
    if (builder) scenes()[name] = std::move(builder);
}

bool SceneRegistry::has(const std::string& name) {
    return scenes().count(name) > 0;
}

std::vector<std::string> SceneRegistry::names() {
    std::vector<std::string> out;
    for (const auto& [name, builder] : scenes()) out.push_back(name);
    return out;
}

void SceneRegistry::reset() {
    scenes().clear();
}

namespace {
// The scene's picture, laid out as it would show: a window that is not on screen is laid out first.
std::shared_ptr<Image> picture(const Scene& scene, const std::string& name) {
    std::shared_ptr<View> root = scene.view     ? scene.view
                                 : scene.window ? scene.window->contentView()
                                                : nullptr;
    if (!root) {
        platform::logf("Snapshot: nothing to draw for %s", name.c_str());
        return nullptr;
    }
    // The end-of-turn passes lay the scene out as they would on screen.
    DisplayCycle::run();
    if (!scene.window || !scene.window->isVisible()) root->layoutSubtreeIfNeeded();
    auto image = root->bitmapImageRepForCachingDisplayInRect(root->bounds());
    root->cacheDisplayInRect_toBitmapImageRep(root->bounds(), image);
    return image;
}
}  // namespace

bool SceneRegistry::writePicture(const Scene& scene, const std::string& path) {
    auto image = picture(scene, path);
    return image && image->writePNGToFile(path);
}

std::optional<Scene> SceneRegistry::drawScene(const std::string& name) {
    auto it = scenes().find(name);
    if (it == scenes().end()) {
        platform::logf("Snapshot: no scene named %s", name.c_str());
        return std::nullopt;
    }
    Scene scene = it->second();
    auto image = picture(scene, name);
    if (scene.window) scene.window->orderOut(nullptr);
    if (!image || !image->bitmap()) return std::nullopt;
    return scene;
}

int SceneRegistry::renderAll(const std::string& directory, const std::vector<std::string>& wanted) {
    auto* renderer = Renderer::current();
    if (!renderer) {
        platform::logf("Snapshot: no renderer is installed");
        return static_cast<int>(wanted.empty() ? scenes().size() : wanted.size());
    }
    if (!platform::Files::createDirectories(directory)) {
        platform::logf("Snapshot: cannot create %s", directory.c_str());
        return static_cast<int>(wanted.empty() ? scenes().size() : wanted.size());
    }
    const std::vector<std::string> list = wanted.empty() ? names() : wanted;
    int failures = 0;
    for (const auto& name : list) {
        auto it = scenes().find(name);
        if (it == scenes().end()) {
            platform::logf("Snapshot: no scene named %s", name.c_str());
            ++failures;
            continue;
        }
        Scene scene = it->second();
        const std::string path = directory + "/" + name + ".png";
        if (!writePicture(scene, path)) {
            ++failures;
            continue;
        }
        platform::logDebugf("Snapshot: %s", path.c_str());
        if (scene.window) scene.window->orderOut(nullptr);
    }
    return failures;
}

const std::string& SceneRegistry::useThrowawayHome() {
    // Never destroyed: callers hold the reference to the end.
    static const std::string& home = *new std::string([] {
        std::string problem;
        auto made = ThrowawayHome::enter("kestrune-snapshot", &problem);
        if (!made) {
            // Drawing on would read and write the user's own settings, records and photos.
            std::fprintf(stderr, "kestrune: the pictures have no home of their own: %s\n", problem.c_str());
            std::_Exit(1);
        }
        return *made;
    }());
    return home;
}

}  // namespace platform::ui
