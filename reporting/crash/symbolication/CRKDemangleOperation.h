#pragma once

#include <optional>
#include <string>

#include "reporting/crash/symbolication/CRKThreadArrayOperation.h"

namespace reporting {

// Gives each frame whose raw symbol is a mangled C++ name (or a block inside a C++ function, or the
// linkage stub of one, "name@plt") its readable name; other symbols stay as they are.
class CRKDemangleOperation : public CRKThreadArrayOperation {
public:
    using CRKThreadArrayOperation::CRKThreadArrayOperation;
    void main() override;

    static std::optional<std::string> demangleSymbol(const char* symbol);
    static std::optional<std::string> demangleCppSymbol(const char* symbol);
    static std::optional<std::string> demangleBlockInvokeCppSymbol(const char* symbol);
};

}  // namespace reporting
