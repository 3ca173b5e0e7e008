#pragma once

#include <functional>
#include <memory>

#include "reporting/core/Operation.h"
#include "reporting/crash/symbolication/CRKStackFrame.h"

namespace reporting {

// The base of the operations that walk one crash file's thread array. The operations of one file run
// one after another on one thread and share the array without locks.
class CRKThreadArrayOperation : public Operation {
public:
    explicit CRKThreadArrayOperation(std::shared_ptr<CRKThreadArray> threadArray)
        : threadArray_(std::move(threadArray)) {}

    // Every frame in order; once the operation is cancelled (from any thread), no further frame of any
    // thread.
    void enumerateFramesWithBlock(const std::function<void(CRKStackFrame&)>& block) const;
    // The same, with each frame's place in its thread's stack (0 for the frame the thread stood on).
    void enumerateFramesWithBlock(const std::function<void(CRKStackFrame&, size_t)>& block) const;
    const std::shared_ptr<CRKThreadArray>& threadArray() const { return threadArray_; }

private:
    std::shared_ptr<CRKThreadArray> threadArray_;
};

}  // namespace reporting
