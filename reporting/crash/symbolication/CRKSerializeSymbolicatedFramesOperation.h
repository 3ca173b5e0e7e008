#pragma once

#include <string>

#include "reporting/crash/symbolication/CRKThreadArrayOperation.h"

namespace reporting {

// Writes the thread array as one "threads" record line beside the crash record. The file appears
// whole or not at all: it is written under a hidden name and renamed when complete, so a report
// packaged after an interruption never carries half a file. Cancelled while it writes, it removes what
// it wrote and leaves any earlier file as it was.
class CRKSerializeSymbolicatedFramesOperation : public CRKThreadArrayOperation {
public:
    CRKSerializeSymbolicatedFramesOperation(std::shared_ptr<CRKThreadArray> threadArray,
                                            std::string outputPath)
        : CRKThreadArrayOperation(std::move(threadArray)), outputPath_(std::move(outputPath)) {}
    void main() override;
    const std::string& outputPath() const { return outputPath_; }

private:
    std::string outputPath_;
};

}  // namespace reporting
