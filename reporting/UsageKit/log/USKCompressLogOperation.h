#pragma once

#include <atomic>
#include <string>

#include "reporting/core/Operation.h"

namespace reporting {

// Compresses a closed event log to gzip beside it ("<base>.gz"). The gzip file is written under a
// temporary name and renamed when complete, so a "gz" file on disk is always whole.
class USKCompressLogOperation : public Operation {
public:
    USKCompressLogOperation(std::string uncompressedLogURL, std::string compressedLogURL);
    static std::string compressedURLForUncompressedURL(const std::string& logURL);
    void main() override;

    const std::string& uncompressedLogURL() const { return uncompressedLogURL_; }
    const std::string& compressedLogURL() const { return compressedLogURL_; }
    // Whether the "gz" file exists whole after the operation (made now or found made before): only then
    // may the log be removed.
    bool compressedLogExists() const { return compressedLogExists_.load(); }

private:
    const std::string uncompressedLogURL_;
    const std::string compressedLogURL_;
    std::atomic<bool> compressedLogExists_{false};
};

}  // namespace reporting
