#pragma once

namespace kestrune {

// Scenes of the screens for kestrune --snapshot: every page of the screen factory, the loading page in
// the middle of a Bluetooth restart, the pairing wizard's pages and its not-supported page, and the
// proximity tutorial's pages.
void registerScreensGallery();

}  // namespace kestrune
