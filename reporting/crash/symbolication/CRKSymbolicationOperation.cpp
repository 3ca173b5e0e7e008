#include "reporting/crash/symbolication/CRKSymbolicationOperation.h"

namespace reporting {

void CRKSymbolicationOperation::main() {
    if (!symbolResolver_) return;
    enumerateFramesWithBlock([this](CRKStackFrame& frame) { symbolResolver_->updateStackFrame(frame); });
}

}  // namespace reporting
