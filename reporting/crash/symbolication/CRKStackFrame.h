#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace reporting {

// One frame of a stack trace: the raw address and what symbolication learned of it.
class CRKStackFrame {
public:
    static std::shared_ptr<CRKStackFrame> stackFrame();
    static std::shared_ptr<CRKStackFrame> stackFrameWithAddress(uint64_t address);
    static std::shared_ptr<CRKStackFrame> stackFrameWithSymbol(const std::string& symbol);

    // "{[0x%llx] file - symbol:line}" with a file name, else "{[0x%llx + line] symbol}".
    std::string description() const;

    std::optional<std::string> symbol;
    std::optional<std::string> rawSymbol;
    std::optional<std::string> library;
    std::optional<std::string> fileName;
    uint32_t lineNumber = 0;
    uint64_t offset = 0;
    uint64_t address = 0;
    // The instruction a signal interrupted (the frame below a signal trampoline): named as it is, where
    // every other frame after the first is a return address, named after the call before it.
    bool interrupted = false;
};

// One element per thread, each the thread's frames in stack order.
using CRKThreadArray = std::vector<std::vector<std::shared_ptr<CRKStackFrame>>>;

}  // namespace reporting
