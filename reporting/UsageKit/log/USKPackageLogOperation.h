#pragma once

#include <atomic>
#include <string>

#include "reporting/core/Operation.h"

namespace reporting {

// Packages a compressed log as a multipart body with one file part, ready for upload. The package is
// written under a temporary name and renamed when complete.
class USKPackageLogOperation : public Operation {
public:
    static constexpr const char* kContentType = "application/vnd.crashkit.mac.events";

    USKPackageLogOperation(std::string compressedLogURL, std::string packagedLogURL, std::string boundary);
    static std::string multipartURLForCompressedURL_withBoundary(const std::string& compressedURL,
                                                                 const std::string& boundary);
    void main() override;

    const std::string& compressedLogURL() const { return compressedLogURL_; }
    const std::string& packagedLogURL() const { return packagedLogURL_; }
    const std::string& multipartMimeBoundary() const { return multipartMimeBoundary_; }
    bool packagedLogExists() const { return packagedLogExists_.load(); }

private:
    const std::string compressedLogURL_;
    const std::string packagedLogURL_;
    const std::string multipartMimeBoundary_;
    std::atomic<bool> packagedLogExists_{false};
};

}  // namespace reporting
