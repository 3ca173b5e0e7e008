#pragma once

#include <functional>
#include <memory>

namespace platform {
class SimulatedDesktop;
}

namespace kestrune {

// The crash kit's send prompt as the desktop shows it (`crash-send-prompt`): the prompt's texts and
// buttons as the kit asks with them, before any settings were downloaded, in the alert window of the
// desktop that the function answers.
void registerCrashPromptGallery(std::function<std::shared_ptr<platform::SimulatedDesktop>()> desktop);

}  // namespace kestrune
