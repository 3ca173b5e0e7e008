#pragma once

#include <memory>

#include "platform/ui/Image.h"

namespace kestrune {

// The pictures of the panel over the lock screen, drawn at the size they are shown: the phone,
// "connected" (its screen lit, a green link sign) and "disconnected" (dimmed, a grey sign struck
// through), and "empty", the ring a knock sends out from the phone. Registered under those names unless a
// picture already has the name.
void registerShieldArtwork();

// An account picture for a user who has none of their own: a head and shoulders on a soft disc, drawn to
// fill whatever square it is given (a round frame crops its corners).
std::shared_ptr<platform::ui::Image> drawnAccountPicture();

}  // namespace kestrune
