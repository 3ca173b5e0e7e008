#pragma once

namespace kestrune {

// Pictures of the panel over the lock screen in its states, and of the user-picture view, for
// `kestrune --snapshot`.
void registerShieldGallery();

}  // namespace kestrune
