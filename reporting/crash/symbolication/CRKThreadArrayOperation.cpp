#include "reporting/crash/symbolication/CRKThreadArrayOperation.h"

namespace reporting {

void CRKThreadArrayOperation::enumerateFramesWithBlock(
    const std::function<void(CRKStackFrame&)>& block) const {
    if (!threadArray_ || !block) return;
    for (const auto& thread : *threadArray_) {
        for (const auto& frame : thread) {
            if (frame) block(*frame);
            if (isCancelled()) break;
        }
    }
}

}  // namespace reporting
