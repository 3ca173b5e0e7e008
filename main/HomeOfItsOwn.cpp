#include "main/HomeOfItsOwn.h"

#include <string>

#include "main/CommandLineOptions.h"
#include "main/StopSignals.h"
#include "platform/storage/ThrowawayHome.h"

namespace kestrune {

std::optional<int> enterHomeOfItsOwn(const CommandLineOptions& options, std::ostream& err) {
    const bool scenario = options.mode == CommandLineOptions::Mode::Scenario;
    if (!scenario && options.mode != CommandLineOptions::Mode::Snapshot) return std::nullopt;
    // From before the home exists to the end, a stop by signal or by the output's closing leaves by the
    // way that removes or names it: a scenario's application quits on it, the pictures stop between two
    // scenes.
    StopSignals::block();
    std::string problem;
    if (platform::ThrowawayHome::enter(
            scenario ? "kestrune-scenario-" + options.scenario : "kestrune-snapshot", &problem)) {
        if (scenario)
            StopSignals::quitApplicationWhenOutputCloses();
        else
            StopSignals::keepAsRequest();
        return std::nullopt;
    }
    // Going on in the user's own home is what this home is there to prevent.
    err << "kestrune: no home of "
        << (scenario ? "its own for the scenario: " : "their own for the pictures: ") << problem
        << "; $TMPDIR (else /tmp) must be a folder to write in. Nothing was started.\n";
    return 1;
}

}  // namespace kestrune
