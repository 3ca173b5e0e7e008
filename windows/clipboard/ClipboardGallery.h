#pragma once

namespace kestrune {

// Registers the pictures of the clipboard window, with the phone connected and not, for
// `kestrune --snapshot`.
void registerClipboardWindowGallery();

}  // namespace kestrune
