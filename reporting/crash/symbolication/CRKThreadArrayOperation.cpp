#include "reporting/crash/symbolication/CRKThreadArrayOperation.h"

namespace reporting {

void CRKThreadArrayOperation::enumerateFramesWithBlock(
    const std::function<void(CRKStackFrame&)>& block) const {
    if (!block) return;
    enumerateFramesWithBlock([&block](CRKStackFrame& frame, size_t) { block(frame); });
}

void CRKThreadArrayOperation::enumerateFramesWithBlock(
    const std::function<void(CRKStackFrame&, size_t)>& block) const {
    if (!threadArray_ || !block) return;
    // A cancellation ends the whole walk, not only the thread it lands in: a record may hold one thread
    // of hundreds of thousands of frames, or many threads.
    for (const auto& thread : *threadArray_) {
        for (size_t index = 0; index < thread.size(); index++) {
            if (isCancelled()) return;
            if (thread[index]) block(*thread[index], index);
        }
    }
}

}  // namespace reporting
