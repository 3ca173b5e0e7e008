#pragma once

namespace kestrune {

// Registers the pictures of the status item, the drop-down panel, its notices and the settings menu for
// `kestrune --snapshot`.
void registerMenuBarGallery();

}  // namespace kestrune
