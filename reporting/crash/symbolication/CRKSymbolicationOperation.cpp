#include "reporting/crash/symbolication/CRKSymbolicationOperation.h"

namespace reporting {

void CRKSymbolicationOperation::main() {
    if (!symbolResolver_) return;
    // Each thread's first frame is the instruction it stood on, and so is a frame a signal interrupted;
    // every other one is a return address. (The recorder's own thread starts at a return address too,
    // but one inside the recorder, after a call whose answer it uses: never on a function's first byte,
    // so it is named the same either way.)
    enumerateFramesWithBlock([this](CRKStackFrame& frame, size_t index) {
        symbolResolver_->updateStackFrame(frame, index > 0 && !frame.interrupted);
    });
}

}  // namespace reporting
