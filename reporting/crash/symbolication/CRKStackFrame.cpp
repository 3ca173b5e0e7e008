#include "reporting/crash/symbolication/CRKStackFrame.h"

#include "platform/base/Strings.h"

namespace reporting {

std::shared_ptr<CRKStackFrame> CRKStackFrame::stackFrame() {
    return std::make_shared<CRKStackFrame>();
}

std::shared_ptr<CRKStackFrame> CRKStackFrame::stackFrameWithAddress(uint64_t address) {
    auto frame = stackFrame();
    frame->address = address;
    return frame;
}

std::shared_ptr<CRKStackFrame> CRKStackFrame::stackFrameWithSymbol(const std::string& symbol) {
    auto frame = stackFrame();
    frame->symbol = symbol;
    frame->rawSymbol = symbol;
    return frame;
}

std::string CRKStackFrame::description() const {
    const std::string name = symbol.value_or("(null)");
    if (fileName)
        return platform::format("{[0x%llx] %s - %s:%u}", static_cast<unsigned long long>(address),
                                fileName->c_str(), name.c_str(), lineNumber);
    return platform::format("{[0x%llx + %u] %s}", static_cast<unsigned long long>(address), lineNumber,
                            name.c_str());
}

}  // namespace reporting
