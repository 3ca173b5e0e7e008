#pragma once

namespace platform {

// Pauses the calling thread, by the platform clock. In virtual time the pause moves the clock on by the
// seconds (at least to the moment the pause began plus the seconds) instead of waiting, so that pauses
// inside typing and key sequences stay measurable and tests never sleep.
void sleepForTimeInterval(double seconds);

}  // namespace platform
