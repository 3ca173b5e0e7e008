#pragma once

#include <memory>

#include "app/shell/ThreadHelpers.h"

namespace kestrune {

// Delayed closures on the calling thread's run loop. Once scheduled, each one runs (nothing cancels
// them), and only while that thread's run loop runs; a delay of 0 runs on the next pass, never inline.
// The instance forms keep their receiver alive until the closure has run (pass null for none).

void performBlock_afterDelay(std::shared_ptr<const void> receiver, Block block, double delay);
void performAfterDelay_block(std::shared_ptr<const void> receiver, double delay, Block block);
void fireBlockAfterDelay(const Block& block);

void performStaticBlock_afterDelay(Block block, double delay);
void performStaticAfterDelay_staticBlock(double delay, Block block);
void fireStaticBlockAfterDelay(const Block& block);

}  // namespace kestrune
