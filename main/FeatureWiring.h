#pragma once

#include <memory>

#include "platform/system/SystemCommands.h"

namespace platform {
class SimulatedMusicPlayers;
class SimulatedPasteboard;
class SimulatedWifi;
}  // namespace platform

namespace kestrune {

class AppDelegate;
struct CoordinatorServices;

// The simulated devices the features run on here, for a scenario (or a test) to act on.
struct FeatureDevices {
    std::shared_ptr<platform::SimulatedWifi> wifi;
    std::shared_ptr<platform::SimulatedMusicPlayers> players;
    std::shared_ptr<platform::SimulatedPasteboard> pasteboard;
};

// The features built so far, on this system's backends: the history and tracker file, photos with the
// simulated camera (there is no camera here), the interface language, the user notifications, trusted
// Wi-Fi on the simulated Wi-Fi (no Wi-Fi device here), music pause and resume with the simulated players
// (no media players here), the application's updates through the update engine, the remote
// configuration's version checks, and clipboard sharing on the simulated pasteboard (no display server
// here). They reach the coordinator through its feature services (which the proximity decider also asks
// about trusted Wi-Fi), the shell through its language service, the migration through the history
// service, and the records through their phone-record services.
//
// The command runner takes one responder: the session's (the simulated session, which answers the
// desktop's tools) is asked first, then the players (which answer the scripts sent to them).
FeatureDevices installFeatures(CoordinatorServices& services, AppDelegate* delegate,
                               std::shared_ptr<platform::SystemCommands::Responder> sessionCommands);
// Tests: the shared services and feature objects back to their defaults, the session's responder alone
// again.
void uninstallFeaturesForTesting();

}  // namespace kestrune
