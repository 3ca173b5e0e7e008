#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "reporting/core/Operation.h"
#include "reporting/crash/store/CRKInternalReport.h"
#include "reporting/crash/symbolication/CRKSymbolResolver.h"

namespace reporting {

// Symbolicates every crash record of a report of an earlier run: each gets a "<name>.symbolicated"
// file beside it, packaged with the report. Runs synchronously on the caller's thread.
//
// It may be cancelled from another thread (a quit asked for while a launch symbolicates before its
// first window): the reading of a record, the naming of its frames (the reading of an image's symbols
// among it) and the writing of its names each stop within a few thousand values or frames, no later step
// or record is begun, and a record whose steps did not all finish gets no symbolicated file (one written
// whole before stays).
class CRKProcessReportOperation : public Operation {
public:
    CRKProcessReportOperation(std::shared_ptr<CRKInternalReport> report,
                              std::shared_ptr<CRKSymbolResolver> resolver);  // initWithReport:resolver:
    void main() override;
    void cancel() override;
    // Tests: a function asked, beside the operation's own cancellation, everywhere the work looks for a
    // stop (before each record, as a record is read and its frames gathered, and as an image's symbols are
    // read for the naming), so that a test can stop the work at any one of those looks. Once it answers
    // true the operation is cancelled and it is not asked again. Set it before the operation starts.
    void setStopCheckForTesting(std::function<bool()> stop) { stopCheck_ = std::move(stop); }

    std::string binaryImagePath() const;
    // The crash file's thread array, one frame per "stacktrace" address; null when it holds no threads.
    // Places that would be named alike (the same address, each a thread's first or interrupted frame,
    // or each a return address) hold the same frame object. `stop` is asked as the file is read and its
    // frames gathered; once it answers true the answer is null.
    static std::shared_ptr<CRKThreadArray> threadArrayFromFile(const std::string& path,
                                                               const std::function<bool()>& stop = nullptr);
    bool symbolicateFile_withResolver(const std::string& path,
                                      const std::shared_ptr<CRKSymbolResolver>& resolver);

    const std::shared_ptr<CRKInternalReport>& report() const { return report_; }
    const std::shared_ptr<CRKSymbolResolver>& symbolResolver() const { return symbolResolver_; }

private:
    // Whether the work is to end: cancelled, or the stop check answering true, which then cancels it.
    bool stopped();
    // Runs one step of a record unless cancelled; false when it did not run whole.
    bool runStep(Operation& step);

    std::shared_ptr<CRKInternalReport> report_;
    std::shared_ptr<CRKSymbolResolver> symbolResolver_;
    std::function<bool()> stopCheck_;
    std::mutex stepMutex_;
    Operation* step_ = nullptr;  // the step running now, for cancel() to reach; guarded by stepMutex_
};

}  // namespace reporting
