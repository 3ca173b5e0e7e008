#include "main/ScenarioSnapshots.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "main/MenuBarWiring.h"
#include "menubar/panel/PanelController.h"
#include "menubar/statusitem/MainMenuBarController.h"
#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"

namespace kestrune {

ScenarioPictureSources ScenarioPictureSources::of(const CoordinatorServices& services) {
    ScenarioPictureSources sources;
    sources.settings = services.splitWindow;
    // The panel is the menu bar's; another menu bar (a test's) has none to picture.
    auto wiring = std::dynamic_pointer_cast<MenuBarWiring>(services.menuBar);
    if (!wiring) return sources;
    std::weak_ptr<MenuBarWiring> weak = wiring;
    sources.panel = [weak]() -> std::shared_ptr<platform::ui::Window> {
        // Never made here: the coordinator makes the menu bar when it starts.
        auto menuBar = weak.lock();
        if (!menuBar || !menuBar->hasController()) return nullptr;
        return menuBar->controller()->panelController()->windowAsItWouldShow();
    };
    sources.panelIsOpen = [weak] {
        auto menuBar = weak.lock();
        return menuBar && menuBar->hasController() &&
               menuBar->controller()->panelController()->hasActivePanel();
    };
    return sources;
}

std::optional<std::string> ScenarioSnapshots::prepareFolder(const std::string& folder) {
    if (folder.empty()) return std::string("no folder given for the pictures");
    if (!platform::Files::createDirectories(folder)) {
        // Why: the nearest part of the path that exists is a file, or a folder that cannot be written in.
        std::string existing = folder;
        while (!existing.empty() && !platform::Files::exists(existing))
            existing = platform::Files::parentPath(existing);
        std::string reason = "it cannot be made";
        if (!existing.empty() && !platform::Files::isDirectory(existing))
            reason = existing + " is not a folder";
        else if (!existing.empty() && ::access(existing.c_str(), W_OK | X_OK) != 0)
            reason = existing + ": " + std::strerror(errno);
        return "cannot make the folder " + folder + " for the pictures (" + reason + ")";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        const int error = errno;
        return "cannot write the pictures in " + folder + " (" + std::strerror(error) + ")";
    }
    return std::nullopt;
}

std::string ScenarioSnapshots::fileName(int step, const std::string& what, int digits) {
    char number[16];
    std::snprintf(number, sizeof number, "%0*d", digits, step);
    return std::string(number) + "-" + what + ".png";
}

ScenarioSnapshots::ScenarioSnapshots(std::string folder, ScenarioPictureSources sources, size_t scenarioSteps)
    : folder_(std::move(folder)), sources_(std::move(sources)) {
    // Names sort in the order of the steps.
    for (size_t count = scenarioSteps; count >= 100; count /= 10) ++digits_;
}

void ScenarioSnapshots::follow(ScenarioRunner& runner) {
    runner.onStepSettled = [this](const ScenarioRunner::PrintedStep& step) { take(step); };
}

bool ScenarioSnapshots::picture(const std::shared_ptr<platform::ui::Window>& window,
                                const std::string& path) {
    if (!window) {
        platform::logf("Snapshot: nothing to picture for %s yet", path.c_str());
        return false;
    }
    return platform::ui::SceneRegistry::writePicture({window, nullptr}, path);
}

bool ScenarioSnapshots::take(const ScenarioRunner::PrintedStep& step) {
    ++pictured_;
    bool written = true;
    // Asked before the picture, which fills a closed panel.
    const bool panelOpen = sources_.panelIsOpen && sources_.panelIsOpen();
    const bool settingsShown = sources_.settings && sources_.settings->isVisible();
    const std::string panel = fileName(step.number, "panel", digits_);
    const std::string settings = fileName(step.number, "settings", digits_);
    // Before the coordinator has made the menu bar (the first moments of a run) there is no panel yet.
    const auto panelWindow = sources_.panel ? sources_.panel() : nullptr;
    if (panelWindow && !picture(panelWindow, folder_ + "/" + panel)) written = false;
    if (!picture(sources_.settings, folder_ + "/" + settings)) written = false;

    char heading[64];
    std::snprintf(heading, sizeof heading, "%0*d  %7.1f s  ", digits_, step.number, step.at);
    std::string who = step.who;
    who.resize(6, ' ');
    char settled[64];
    std::snprintf(settled, sizeof settled, "pictured at %.1f s", step.settledAt);
    const char* panelState = !panelWindow ? "not made yet, not pictured"
                             : panelOpen  ? "open"
                                          : "closed, drawn as it would open";
    index_ += heading + who + " " + step.what + "  (" + settled + "; the panel " + panelState +
              "; the settings window " + (settingsShown ? "shown" : "not shown, drawn as it would show") +
              ")\n";
    if (!platform::Files::writeAtomically(folder_ + "/" + kIndexName, platform::Data::fromString(index_)))
        written = false;
    if (!written) {
        ++failures_;
        return false;
    }
    platform::logf("Snapshot: step %d pictured: %s%s", step.number,
                   panelWindow ? (panel + ", ").c_str() : "(no panel yet) ", settings.c_str());
    return true;
}

}  // namespace kestrune
