#include "reporting/crash/symbolication/CRKDemangleOperation.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace reporting {

void CRKDemangleOperation::main() {
    // A deep recursion repeats a few functions hundreds of thousands of times: each name is demangled
    // once per record.
    std::unordered_map<std::string, std::optional<std::string>> demangled;
    enumerateFramesWithBlock([&demangled](CRKStackFrame& frame) {
        if (!frame.rawSymbol) return;
        auto found = demangled.find(*frame.rawSymbol);
        if (found == demangled.end())
            found = demangled.emplace(*frame.rawSymbol, demangleSymbol(frame.rawSymbol->c_str())).first;
        if (found->second) frame.symbol = *found->second;
    });
}

std::optional<std::string> CRKDemangleOperation::demangleSymbol(const char* symbol) {
    if (!symbol) return std::nullopt;
    // A linkage stub is named after its function with "@plt", which the function's name keeps readable.
    static constexpr std::string_view kStub = "@plt";
    const std::string_view text = symbol;
    if (text.size() > kStub.size() && text.ends_with(kStub)) {
        const std::string function(text.substr(0, text.size() - kStub.size()));
        auto name = demangleSymbol(function.c_str());
        if (!name) return std::nullopt;
        return *name + std::string(kStub);
    }
    if (strncmp(symbol, "_Z", 2) == 0) return demangleCppSymbol(symbol);
    if (strncmp(symbol, "__Z", 3) == 0) return demangleBlockInvokeCppSymbol(symbol);
    return std::nullopt;
}

std::optional<std::string> CRKDemangleOperation::demangleCppSymbol(const char* symbol) {
    if (!symbol) return std::nullopt;
    int status = 0;
    char* name = abi::__cxa_demangle(symbol, nullptr, nullptr, &status);
    if (!name) return std::nullopt;
    std::string result = status == 0 ? std::string(name) : std::string();
    free(name);
    if (status != 0) return std::nullopt;
    return result;
}

std::optional<std::string> CRKDemangleOperation::demangleBlockInvokeCppSymbol(const char* symbol) {
    if (!symbol) return std::nullopt;
    const std::string text = symbol;
    const auto suffix = text.rfind("_block_invoke");
    if (suffix == std::string::npos || suffix < 5) return std::nullopt;
    const std::string function = text.substr(1, suffix - 1);
    auto name = demangleSymbol(function.c_str());
    if (!name) return std::nullopt;
    return *name + text.substr(suffix);
}

}  // namespace reporting
