#pragma once

#include <memory>
#include <string>

#include "reporting/core/Operation.h"
#include "reporting/crash/store/CRKInternalReport.h"
#include "reporting/crash/symbolication/CRKSymbolResolver.h"

namespace reporting {

// Symbolicates every crash record of a report of an earlier run: each gets a "<name>.symbolicated"
// file beside it, packaged with the report. Runs synchronously on the caller's thread.
class CRKProcessReportOperation : public Operation {
public:
    CRKProcessReportOperation(std::shared_ptr<CRKInternalReport> report,
                              std::shared_ptr<CRKSymbolResolver> resolver);  // initWithReport:resolver:
    void main() override;

    std::string binaryImagePath() const;
    // The crash file's thread array, one frame per "stacktrace" address; null when it holds no threads.
    static std::shared_ptr<CRKThreadArray> threadArrayFromFile(const std::string& path);
    bool symbolicateFile_withResolver(const std::string& path,
                                      const std::shared_ptr<CRKSymbolResolver>& resolver);

    const std::shared_ptr<CRKInternalReport>& report() const { return report_; }
    const std::shared_ptr<CRKSymbolResolver>& symbolResolver() const { return symbolResolver_; }

private:
    std::shared_ptr<CRKInternalReport> report_;
    std::shared_ptr<CRKSymbolResolver> symbolResolver_;
};

}  // namespace reporting
