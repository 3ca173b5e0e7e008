#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class View;
class Window;

// What a scene builds: a window (its content view is pictured) or a view tree.
struct Scene {
    std::shared_ptr<Window> window;
    std::shared_ptr<View> view;
};

// Named scenes for pictures without a display: each builds a window or view tree in a given state, and
// `renderAll` writes them as PNG files through the installed renderer at the screen's scale.
class SceneRegistry {
public:
    using Builder = std::function<Scene()>;
    static void add(const std::string& name, Builder builder);
    static bool has(const std::string& name);
    static std::vector<std::string> names();
    static void reset();

    // Writes DIR/NAME.png for each name (every registered one when empty). Answers the number of scenes
    // that could not be written (unknown names included), each with a log line.
    static int renderAll(const std::string& directory, const std::vector<std::string>& names);

    // Writes one scene's picture to the path, laid out as it would show: a window that is not on screen
    // is laid out first. False, with a log line, when nothing could be drawn or written.
    static bool writePicture(const Scene& scene, const std::string& path);
    // Builds the named scene and draws it as `renderAll` would, without writing it (for checks of what
    // the drawing shows), answering the scene drawn. None, with a log line, for an unknown name or
    // nothing drawn.
    static std::optional<Scene> drawScene(const std::string& name);

    // Moves the home and data folders (HOME, XDG_* and the documents folder) into one throwaway home of
    // this process (platform::ThrowawayHome, the one `--snapshot` entered at start when it did), removed
    // when it exits, so that scenes that read or write settings and records never touch the user's own.
    // Once per process; answers that folder. When none can be made the process stops with a line on
    // standard error rather than draw with the user's own folders.
    static const std::string& useThrowawayHome();
};

// The layer's own controls in a few windows: buttons, text, sliders and progress, layers, scrolling and
// splitting.
void registerControlGallery();

}  // namespace platform::ui
