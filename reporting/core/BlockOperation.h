#pragma once

#include <functional>
#include <memory>

#include "reporting/core/Operation.h"

namespace reporting {

// An operation whose work is one closure.
class BlockOperation : public Operation {
public:
    static std::shared_ptr<BlockOperation> blockOperationWithBlock(std::function<void()> block);
    explicit BlockOperation(std::function<void()> block) : block_(std::move(block)) {}
    void main() override;

private:
    std::function<void()> block_;
};

}  // namespace reporting
