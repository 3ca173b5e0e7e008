#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform::ui {
class TextMeasurer;
}

namespace kestrune {

// The drawing backend (Cairo pixels, Pango text) lives in a module beside the executable,
// kestrune-drawing.so: Cairo, Pango and the libraries below them are some thirty shared libraries, and
// loading them at start cost a good part of the start-up time of a run that never draws.
class DrawingModule {
public:
    static constexpr const char* kFileName = "kestrune-drawing.so";

    // Loads the module (once) and installs its renderer and measurer; false, with one log line, when it
    // cannot be loaded.
    static bool install(const std::string& path = besideExecutable());
    // Installs a renderer and a measurer that load the module the first time they are used. Without the
    // module, images carry no pixels and text takes the fixed metrics, as without any backend.
    static void installOnDemand(const std::string& path = besideExecutable());
    // The measurer installOnDemand installs: it puts every question to the measurer `backend` answers
    // with (the module's, loaded when first needed), and takes the fixed metrics while it answers none.
    static std::shared_ptr<platform::ui::TextMeasurer> measurerOnDemand(
        std::function<const platform::ui::TextMeasurer*()> backend);

    // Where the module is looked for: the folder of the running executable.
    static std::string besideExecutable();
};

}  // namespace kestrune
