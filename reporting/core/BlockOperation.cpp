#include "reporting/core/BlockOperation.h"

namespace reporting {

std::shared_ptr<BlockOperation> BlockOperation::blockOperationWithBlock(std::function<void()> block) {
    return std::make_shared<BlockOperation>(std::move(block));
}

void BlockOperation::main() {
    if (block_) block_();
    block_ = nullptr;  // what the closure holds is released once it has run
}

}  // namespace reporting
