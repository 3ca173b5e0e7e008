#pragma once

namespace kestrune {

class AppDelegate;
struct CoordinatorServices;

// The features built so far, on this system's backends: the history and tracker file, photos with the
// simulated camera (there is no camera here), the interface language and the user notifications. They
// reach the coordinator through its feature services, the shell through its language service, the
// migration through the history service, and the records through their phone-record services.
void installFeatures(CoordinatorServices& services, AppDelegate* delegate);
// Tests: the shared services back to their defaults.
void uninstallFeaturesForTesting();

}  // namespace kestrune
