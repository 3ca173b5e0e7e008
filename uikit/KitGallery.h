#pragma once

namespace kestrune {

// The interface kit's own controls in a few windows, for looking at them without a display
// (`kestrune --snapshot DIR`): buttons and check boxes, text styles, pictures and sliders, both
// switches, the palette, blurred views and the split window.
void registerInterfaceKitGallery();

}  // namespace kestrune
