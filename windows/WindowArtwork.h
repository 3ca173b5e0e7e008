#pragma once

namespace kestrune {

// The pictures of the information screens, wizards and tutorials that show a phone's screen, a Mac's
// screen or a system settings pane, the share buttons and the information pages' icons, drawn by code at the
// size they are shown with real words where the screens they picture have words. Registered under their names
// unless a picture already has the name; the Bluetooth animation of the menu bar's artwork comes with them.
void registerWindowArtwork();

}  // namespace kestrune
