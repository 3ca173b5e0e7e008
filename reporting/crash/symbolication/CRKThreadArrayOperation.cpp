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
    for (const auto& thread : *threadArray_) {
        for (size_t index = 0; index < thread.size(); index++) {
            if (thread[index]) block(*thread[index], index);
            if (isCancelled()) break;
        }
    }
}

}  // namespace reporting
