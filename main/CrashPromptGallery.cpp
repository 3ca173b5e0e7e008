#include "main/CrashPromptGallery.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "reporting/crash/controller/CRKUploadSubmission.h"
#include "reporting/crash/settings/CRKSettings.h"

namespace kestrune {

void registerCrashPromptGallery(std::function<std::shared_ptr<platform::SimulatedDesktop>()> desktop) {
    platform::ui::SceneRegistry::add("crash-send-prompt", [desktop = std::move(desktop)] {
        auto shown = desktop();
        if (!shown) return platform::ui::Scene{};
        // The texts of a kit that has not downloaded settings yet: its own, or the application's
        // translations of them.
        const auto settings = reporting::CRKCrashSettingsFromSettings(reporting::CRKSettings(std::nullopt));
        // The buttons as the kit lays them out: send (the default), always send when offered, cancel.
        std::vector<std::string> buttons{settings.promptSend};
        if (settings.promptAlwaysSend) buttons.push_back(*settings.promptAlwaysSend);
        buttons.push_back(settings.promptCancel);
        auto window = shown->windowForAlert(settings.promptTitle, settings.promptMessage, buttons);
        window->orderFront(nullptr);
        return platform::ui::Scene{window, nullptr};
    });
}

}  // namespace kestrune
