#pragma once

#include <functional>
#include <memory>

namespace kestrune {

class KSWindowController;

// Pictures of the settings window for kestrune --snapshot: the window on each of its pages, each in its
// main states. The pages read the machine as the application does; `installMac` puts the machine they
// read in place (Bluetooth, the session, Wi-Fi) once, after the scenes have moved the data folders to a
// throwaway place. `pairingScreen`, when given, makes the screen the pairing wizard shows over the
// devices page (a screen page, pushed under the navigation bar).
void registerSettingsWindowGallery(std::function<void()> installMac,
                                   std::function<std::shared_ptr<KSWindowController>()> pairingScreen = {});

}  // namespace kestrune
