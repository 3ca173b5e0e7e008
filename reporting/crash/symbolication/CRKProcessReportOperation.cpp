#include "reporting/crash/symbolication/CRKProcessReportOperation.h"

#include <unistd.h>

#include <limits>
#include <map>
#include <set>
#include <tuple>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "reporting/crash/symbolication/CRKDemangleOperation.h"
#include "reporting/crash/symbolication/CRKSerializeSymbolicatedFramesOperation.h"
#include "reporting/crash/symbolication/CRKSymbolicationOperation.h"

namespace reporting {

namespace {

// A thread may hold hundreds of thousands of frames: a stop is looked for every so many of them.
constexpr size_t kFramesBetweenStopChecks = 4096;

}  // namespace

CRKProcessReportOperation::CRKProcessReportOperation(std::shared_ptr<CRKInternalReport> report,
                                                     std::shared_ptr<CRKSymbolResolver> resolver)
    : report_(std::move(report)), symbolResolver_(std::move(resolver)) {}

std::string CRKProcessReportOperation::binaryImagePath() const {
    return report_ ? report_->binaryImagePath() : std::string();
}

void CRKProcessReportOperation::main() {
    if (!report_ || !symbolResolver_) return;
    if (!symbolResolver_->loadBinaryImagesFromFile(binaryImagePath())) return;
    // The resolver outlives this operation: it asks the operation only while it runs.
    symbolResolver_->setStopCheck([this] { return stopped(); });
    report_->enumerateSymbolicatableFilesInContent([this](const std::string& path) {
        if (stopped() || access(path.c_str(), F_OK) != 0) return;
        symbolicateFile_withResolver(path, symbolResolver_);
    });
    symbolResolver_->setStopCheck(nullptr);
}

void CRKProcessReportOperation::cancel() {
    Operation::cancel();
    std::lock_guard lock(stepMutex_);
    if (step_) step_->cancel();
}

bool CRKProcessReportOperation::stopped() {
    // Cancelling reaches the step under way, which looks only at its own cancellation.
    if (!isCancelled() && stopCheck_ && stopCheck_()) cancel();
    return isCancelled();
}

bool CRKProcessReportOperation::runStep(Operation& step) {
    {
        std::lock_guard lock(stepMutex_);
        if (isCancelled()) return false;
        step_ = &step;
    }
    step.start();
    std::lock_guard lock(stepMutex_);
    step_ = nullptr;
    return !step.isCancelled();
}

std::shared_ptr<CRKThreadArray> CRKProcessReportOperation::threadArrayFromFile(
    const std::string& path, const std::function<bool()>& stop) {
    const auto sections =
        CRKFileReadSections(path.c_str(), false, nullptr, std::numeric_limits<size_t>::max(), stop);
    if (!sections) return nullptr;
    const platform::Value::Array* threads = nullptr;
    for (const platform::Value& section : *sections) {
        if ((threads = section["threads"].array())) break;
    }
    if (!threads) return nullptr;
    auto array = std::make_shared<CRKThreadArray>();
    array->reserve(threads->size());
    // A deep recursion repeats a few addresses hundreds of thousands of times. Frames that would be
    // named alike (the same address, taken the same way: a thread's first frame and an interrupted one
    // are the instruction itself, any other a return address) share one frame object, which each step
    // then names the same every time it meets it: one frame's memory and names per distinct address,
    // not per place in the stack.
    std::map<std::tuple<uint64_t, bool, bool>, std::shared_ptr<CRKStackFrame>> shared;
    // Counted over the whole record, not per thread: a record may hold many threads of a few frames, or
    // a thread whose list of interrupted frames is as long as its stack.
    size_t steps = 0;
    const auto stopped = [&] { return stop && steps++ % kFramesBetweenStopChecks == 0 && stop(); };
    for (const platform::Value& thread : *threads) {
        if (stopped()) return nullptr;
        std::set<uint64_t> interrupted;
        if (const platform::Value::Array* marked = thread["interrupted_frames"].array()) {
            for (const platform::Value& index : *marked) {
                if (stopped()) return nullptr;
                if (index.number()) interrupted.insert(index.number()->unsignedLongLongValue());
            }
        }
        std::vector<std::shared_ptr<CRKStackFrame>> frames;
        if (const platform::Value::Array* stack = thread["stacktrace"].array()) {
            frames.reserve(stack->size());
            for (const platform::Value& address : *stack) {
                if (stopped()) return nullptr;
                const uint64_t value = address.number() ? address.number()->unsignedLongLongValue() : 0;
                const bool wasInterrupted = interrupted.count(frames.size()) > 0;
                auto& frame = shared[{value, frames.empty(), wasInterrupted}];
                if (!frame) {
                    frame = CRKStackFrame::stackFrameWithAddress(value);
                    frame->interrupted = wasInterrupted;
                }
                frames.push_back(frame);
            }
        }
        array->push_back(std::move(frames));
    }
    return array;
}

bool CRKProcessReportOperation::symbolicateFile_withResolver(
    const std::string& path, const std::shared_ptr<CRKSymbolResolver>& resolver) {
    auto threads = threadArrayFromFile(path, [this] { return stopped(); });
    if (!threads) return false;
    CRKSymbolicationOperation symbolicate(threads, resolver);
    CRKDemangleOperation demangle(threads);
    CRKSerializeSymbolicatedFramesOperation serialize(threads, path + ".symbolicated");
    // The steps run whole or the record gets no symbolicated file: frames left half named by a
    // cancelled step would pass, in a file, for the record's names.
    for (Operation* step : std::initializer_list<Operation*>{&symbolicate, &demangle, &serialize})
        if (!runStep(*step)) return false;
    return true;
}

}  // namespace reporting
