#pragma once

#include "reporting/crash/symbolication/CRKSymbolResolver.h"
#include "reporting/crash/symbolication/CRKThreadArrayOperation.h"

namespace reporting {

// Resolves every frame of the thread array with the resolver.
class CRKSymbolicationOperation : public CRKThreadArrayOperation {
public:
    CRKSymbolicationOperation(std::shared_ptr<CRKThreadArray> threadArray,
                              std::shared_ptr<CRKSymbolResolver> resolver)
        : CRKThreadArrayOperation(std::move(threadArray)), symbolResolver_(std::move(resolver)) {}
    void main() override;
    const std::shared_ptr<CRKSymbolResolver>& symbolResolver() const { return symbolResolver_; }

private:
    std::shared_ptr<CRKSymbolResolver> symbolResolver_;
};

}  // namespace reporting
