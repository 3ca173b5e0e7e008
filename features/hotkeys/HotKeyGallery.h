#pragma once

namespace kestrune {

// Pictures of the shortcut recorder for `kestrune --snapshot`.
void registerHotKeyGallery();

}  // namespace kestrune
