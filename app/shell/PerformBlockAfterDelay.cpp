#include "app/shell/PerformBlockAfterDelay.h"

namespace kestrune {

void fireBlockAfterDelay(const Block& block) {
    if (block) block();
}

void fireStaticBlockAfterDelay(const Block& block) {
    if (block) block();
}

void performBlock_afterDelay(std::shared_ptr<const void> receiver, Block block, double delay) {
    platform::RunLoop::current().performAfterDelay(
        delay, [receiver = std::move(receiver), block = std::move(block)] { fireBlockAfterDelay(block); });
}

void performAfterDelay_block(std::shared_ptr<const void> receiver, double delay, Block block) {
    performBlock_afterDelay(std::move(receiver), std::move(block), delay);
}

void performStaticBlock_afterDelay(Block block, double delay) {
    platform::RunLoop::current().performAfterDelay(
        delay, [block = std::move(block)] { fireStaticBlockAfterDelay(block); });
}

void performStaticAfterDelay_staticBlock(double delay, Block block) {
    performStaticBlock_afterDelay(std::move(block), delay);
}

}  // namespace kestrune
