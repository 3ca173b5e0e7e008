#include "reporting/crash/symbolication/CRKProcessReportOperation.h"

#include <unistd.h>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "reporting/crash/symbolication/CRKDemangleOperation.h"
#include "reporting/crash/symbolication/CRKSerializeSymbolicatedFramesOperation.h"
#include "reporting/crash/symbolication/CRKSymbolicationOperation.h"

namespace reporting {

CRKProcessReportOperation::CRKProcessReportOperation(std::shared_ptr<CRKInternalReport> report,
                                                     std::shared_ptr<CRKSymbolResolver> resolver)
    : report_(std::move(report)), symbolResolver_(std::move(resolver)) {}

std::string CRKProcessReportOperation::binaryImagePath() const {
    return report_ ? report_->binaryImagePath() : std::string();
}

void CRKProcessReportOperation::main() {
    if (!report_ || !symbolResolver_) return;
    if (!symbolResolver_->loadBinaryImagesFromFile(binaryImagePath())) return;
    report_->enumerateSymbolicatableFilesInContent([this](const std::string& path) {
        if (access(path.c_str(), F_OK) != 0) return;
        symbolicateFile_withResolver(path, symbolResolver_);
    });
}

std::shared_ptr<CRKThreadArray> CRKProcessReportOperation::threadArrayFromFile(const std::string& path) {
    const auto sections = CRKFileReadSections(path.c_str(), false);
    if (!sections) return nullptr;
    const platform::Value::Array* threads = nullptr;
    for (const platform::Value& section : *sections) {
        if ((threads = section["threads"].array())) break;
    }
    if (!threads) return nullptr;
    auto array = std::make_shared<CRKThreadArray>();
    for (const platform::Value& thread : *threads) {
        std::vector<std::shared_ptr<CRKStackFrame>> frames;
        if (const platform::Value::Array* stack = thread["stacktrace"].array()) {
            for (const platform::Value& address : *stack) {
                const uint64_t value = address.number() ? address.number()->unsignedLongLongValue() : 0;
                frames.push_back(CRKStackFrame::stackFrameWithAddress(value));
            }
        }
        if (const platform::Value::Array* interrupted = thread["interrupted_frames"].array()) {
            for (const platform::Value& index : *interrupted) {
                const uint64_t at = index.number() ? index.number()->unsignedLongLongValue() : frames.size();
                if (at < frames.size()) frames[at]->interrupted = true;
            }
        }
        array->push_back(std::move(frames));
    }
    return array;
}

bool CRKProcessReportOperation::symbolicateFile_withResolver(
    const std::string& path, const std::shared_ptr<CRKSymbolResolver>& resolver) {
    auto threads = threadArrayFromFile(path);
    if (!threads) return false;
    CRKSymbolicationOperation symbolicate(threads, resolver);
    CRKDemangleOperation demangle(threads);
    CRKSerializeSymbolicatedFramesOperation serialize(threads, path + ".symbolicated");
    symbolicate.start();
    demangle.start();
    serialize.start();
    return true;
}

}  // namespace reporting
