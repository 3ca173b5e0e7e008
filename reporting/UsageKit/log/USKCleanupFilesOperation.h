#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "reporting/core/Operation.h"

namespace reporting {

// The start-up sweep of the events folder: sorts what an earlier run left by stage, removes what no
// stage can use, caps the packages waiting to be sent, and hands the rest on.
class USKCleanupFilesOperation : public Operation {
public:
    using SuccessBlock =
        std::function<void(const std::set<std::string>& logs, const std::set<std::string>& compressed,
                           const std::set<std::string>& packaged)>;

    // initWithDirectoryURL:maximumPendingMulitpartFiles:
    USKCleanupFilesOperation(std::string directoryUrl, int64_t maximumPendingMultipartFiles);
    void main() override;
    void setSuccessBlock(SuccessBlock block) { successBlock_ = std::move(block); }
    // The newest `maximum` files by creation date; the others are removed.
    static std::vector<std::string> URLsByRemovingOldFiles_withMaximumFileCount(
        const std::vector<std::string>& urls, int64_t maximum);

    const std::string& directoryUrl() const { return directoryUrl_; }
    int64_t maximumPendingMultipartFiles() const { return maximumPendingMultipartFiles_; }

private:
    const std::string directoryUrl_;
    const int64_t maximumPendingMultipartFiles_;
    SuccessBlock successBlock_;
};

}  // namespace reporting
