#pragma once

#include "platform/base/RunLoop.h"

namespace kestrune {

using Block = platform::Closure;

// Where work runs. The main queue runs all application logic; blocking work goes to the global
// background queue. A closure is kept alive until it has run.

// On the main thread: runs the closure inline. Elsewhere: runs it on the main queue and waits. Never
// call it from work the main thread is itself waiting for: both would wait for ever. Once the
// application has quit (the main loop closed) it goes on at once, the closure not run.
void runOnMainThreadSync(Block block);
// Always queues the closure on the main queue, also from the main thread (never inline).
void runOnMainQueueAsync(Block block);
// On the main thread: runs the closure inline. Elsewhere: queues it on the main queue.
void runOnMainThreadAsync(Block block);
// From the main thread: queues the closure on the global background queue. Elsewhere: runs it inline.
void runInBackgroundAsync(Block block);
// From the main thread: runs the closure on the global background queue and waits for it. Elsewhere:
// runs it inline.
void runInBackgroundSync(Block block);

}  // namespace kestrune
