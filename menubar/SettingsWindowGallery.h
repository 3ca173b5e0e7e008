#pragma once

#include <functional>

namespace kestrune {

// Pictures of the settings window for kestrune --snapshot: the window on each of its pages, each in its
// main states. The pages read the machine as the application does; `installMac` puts the machine they
// read in place (Bluetooth, the session, Wi-Fi) once, after the scenes have moved the data folders to a
// throwaway place.
void registerSettingsWindowGallery(std::function<void()> installMac);

}  // namespace kestrune
