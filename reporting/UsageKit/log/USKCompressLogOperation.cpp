#include "reporting/UsageKit/log/USKCompressLogOperation.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>

#include "platform/storage/Files.h"
#include "reporting/UsageKit/USKFaultPoints.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/log/USKFileUtils.h"
#include "reporting/core/RKTFileUtility.h"

namespace reporting {

USKCompressLogOperation::USKCompressLogOperation(std::string uncompressedLogURL, std::string compressedLogURL)
    : uncompressedLogURL_(std::move(uncompressedLogURL)), compressedLogURL_(std::move(compressedLogURL)) {}

std::string USKCompressLogOperation::compressedURLForUncompressedURL(const std::string& logURL) {
    return USKFileUtils::replacingExtension(logURL, "gz");
}

void USKCompressLogOperation::main() {
    if (!platform::Files::exists(uncompressedLogURL_) || platform::Files::isDirectory(uncompressedLogURL_)) {
        USKLogger::sharedLogger().log("Error: attempting to compress nonexistent file: %s",
                                      uncompressedLogURL_.c_str());
        return;
    }
    if (platform::Files::exists(compressedLogURL_)) {
        compressedLogExists_.store(true);
        return;
    }
    auto data = platform::Files::read(uncompressedLogURL_);
    if (!data) {
        USKLogger::sharedLogger().log("Failed to compress file at %s", uncompressedLogURL_.c_str());
        return;
    }
    const std::string temporary = compressedLogURL_ + ".tmp";
    USKFaultPoint("stage.write", temporary);
    // Private, and never through a link someone put at the path.
    const int fd = RKTOpenRegularFileForWriting(temporary, O_WRONLY | O_TRUNC);
    gzFile file = fd >= 0 ? gzdopen(fd, "w") : nullptr;
    if (!file) {
        if (fd >= 0) ::close(fd);
        USKLogger::sharedLogger().log("Failed to compress file at %s", uncompressedLogURL_.c_str());
        ::unlink(temporary.c_str());
        return;
    }
    const int written = data->empty() ? 0 : gzwrite(file, data->bytes(), static_cast<unsigned>(data->size()));
    const int closed = gzclose(file);
    if (written != static_cast<int>(data->size()) || closed != Z_OK) {
        USKLogger::sharedLogger().log("Failed to compress file at %s", uncompressedLogURL_.c_str());
        ::unlink(temporary.c_str());  // a partial "gz" would be sent as if whole
        return;
    }
    USKFaultPoint("stage.rename", compressedLogURL_);
    if (std::rename(temporary.c_str(), compressedLogURL_.c_str()) != 0) {
        USKLogger::sharedLogger().log("Failed to compress file at %s", uncompressedLogURL_.c_str());
        ::unlink(temporary.c_str());
        return;
    }
    USKFaultPoint("stage.renamed", compressedLogURL_);
    compressedLogExists_.store(true);
}

}  // namespace reporting
