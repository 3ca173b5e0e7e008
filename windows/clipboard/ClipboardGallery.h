#pragma once

namespace kestrune {

// Registers the pictures of the clipboard window, alone and as the how-to screen in the settings window,
// with the phone connected and not, for `kestrune --snapshot`.
void registerClipboardWindowGallery();

}  // namespace kestrune
