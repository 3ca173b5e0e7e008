#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/coordinator/CoordinatorServices.h"
#include "main/ScenarioRunner.h"

namespace platform::ui {
class Window;
}

namespace kestrune {

// What the pictures of a scenario show: the menu-bar panel and the settings window.
struct ScenarioPictureSources {
    // The panel's window as it would show now (a closed panel laid out as it would open); null before
    // the menu bar exists.
    std::function<std::shared_ptr<platform::ui::Window>()> panel;
    std::function<bool()> panelIsOpen;
    std::shared_ptr<platform::ui::Window> settings;

    // The coordinator's own: its status item's panel and its settings window.
    static ScenarioPictureSources of(const CoordinatorServices& services);
};

// `kestrune --scenario NAME --snapshots DIR`: once each step of the timeline has had its effect, the
// panel and the settings window as DIR/NN-panel.png and DIR/NN-settings.png (NN the step's number in
// the timeline, from 01), and DIR/steps.txt naming each step beside its number. A closed panel is
// pictured as it would show if the user clicked the icon then, so that every step has both pictures;
// the index says when it was closed.
class ScenarioSnapshots {
public:
    static constexpr const char* kIndexName = "steps.txt";

    // Makes the folder when missing; what is wrong with it (cannot be made, cannot be written in), or none.
    static std::optional<std::string> prepareFolder(const std::string& folder);
    // "03-panel.png": the step's number on `digits` places at least.
    static std::string fileName(int step, const std::string& what, int digits = 2);

    // The numbers take as many places as the scenario's count of steps needs.
    ScenarioSnapshots(std::string folder, ScenarioPictureSources sources, size_t scenarioSteps);

    // Pictures the step now; false when a picture or the index could not be written (each with a log
    // line, and the next steps are still pictured).
    bool take(const ScenarioRunner::PrintedStep& step);
    // Hands each settled step of the runner to `take`.
    void follow(ScenarioRunner& runner);

    int failures() const { return failures_; }
    int stepsPictured() const { return pictured_; }
    const std::string& folder() const { return folder_; }

private:
    bool picture(const std::shared_ptr<platform::ui::Window>& window, const std::string& path);

    std::string folder_;
    ScenarioPictureSources sources_;
    int digits_ = 2;
    std::string index_;
    int failures_ = 0;
    int pictured_ = 0;
};

}  // namespace kestrune
