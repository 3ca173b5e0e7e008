#include "app/shell/ThreadHelpers.h"

#include "platform/base/DispatchQueue.h"

namespace kestrune {

void runOnMainThreadSync(Block block) {
    if (platform::isMainThread()) {
        block();
    } else {
        platform::RunLoop::main().postAndWait(std::move(block));
    }
}

void runOnMainQueueAsync(Block block) {
    platform::RunLoop::main().post(std::move(block));
}

void runOnMainThreadAsync(Block block) {
    if (platform::isMainThread()) {
        block();
    } else {
        platform::RunLoop::main().post(std::move(block));
    }
}

void runInBackgroundAsync(Block block) {
    if (platform::isMainThread()) {
        platform::DispatchQueue::global().async(std::move(block));
    } else {
        block();
    }
}

void runInBackgroundSync(Block block) {
    if (platform::isMainThread()) {
        platform::DispatchQueue::global().sync(std::move(block));
    } else {
        block();
    }
}

}  // namespace kestrune
