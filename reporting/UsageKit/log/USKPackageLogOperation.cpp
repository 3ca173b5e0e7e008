#include "reporting/UsageKit/log/USKPackageLogOperation.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/net/OutputStream.h"
#include "platform/storage/Files.h"
#include "reporting/UsageKit/USKFaultPoints.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/log/USKFileUtils.h"
#include "reporting/core/RKTFileUtility.h"
#include "reporting/core/RKTMultipartMimeStreamEncoder.h"

namespace reporting {

namespace {

// Every byte, then a flush to disk: the package counts as made only once it is whole there.
bool writeWhole(int fd, const platform::Data& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t result = ::write(fd, data.bytes() + done, data.size() - done);
        if (result < 0 && errno == EINTR) continue;
        if (result <= 0) return false;
        done += static_cast<size_t>(result);
    }
    return ::fsync(fd) == 0;
}

}  // namespace

USKPackageLogOperation::USKPackageLogOperation(std::string compressedLogURL, std::string packagedLogURL,
                                               std::string boundary)
    : compressedLogURL_(std::move(compressedLogURL)),
      packagedLogURL_(std::move(packagedLogURL)),
      multipartMimeBoundary_(std::move(boundary)) {}

std::string USKPackageLogOperation::multipartURLForCompressedURL_withBoundary(
    const std::string& compressedURL, const std::string& boundary) {
    const std::string parent = platform::Files::parentPath(compressedURL);
    return (parent.empty() ? "" : parent + "/") + boundary + ".multipartmime";
}

void USKPackageLogOperation::main() {
    if (!platform::Files::exists(compressedLogURL_) || platform::Files::isDirectory(compressedLogURL_)) {
        USKLogger::sharedLogger().log("Error: attempting to package nonexistent file: %s",
                                      compressedLogURL_.c_str());
        return;
    }
    auto data = platform::Files::read(compressedLogURL_);
    if (!data || data->empty()) {
        USKLogger::sharedLogger().log("Error packaging: %s is an invalid path.", compressedLogURL_.c_str());
        return;
    }
    const std::string temporary = packagedLogURL_ + ".tmp";
    USKFaultPoint("stage.write", temporary);
    // The body is built in memory (it is the compressed log and a few header lines) and written to a
    // file the kit opened itself: private, and never through a link someone put at the path.
    auto stream = platform::OutputStream::outputStreamToMemory();
    auto encoder =
        RKTMultipartMimeStreamEncoder::encoderWithStream_andBoundary(stream, multipartMimeBoundary_);
    if (!encoder) return;
    const std::string name = platform::Files::lastPathComponent(compressedLogURL_);
    encoder->encode([&](RKTMultipartMimeStreamEncoder& e) {
        e.addFileData_fileName_mimeType_fieldName(*data, name, std::string(kContentType), name);
    });
    const auto body = stream->dataWrittenToMemory();
    if (stream->streamStatus() == platform::OutputStream::Status::Error || !body ||
        body->size() != encoder->length()) {
        USKLogger::sharedLogger().log("Error packaging: %s could not be encoded.", temporary.c_str());
        return;
    }
    const int fd = RKTOpenRegularFileForWriting(temporary, O_WRONLY | O_TRUNC);
    if (fd < 0) {
        USKLogger::sharedLogger().log("Error packaging: %s is an invalid path.", temporary.c_str());
        return;
    }
    const bool written = writeWhole(fd, *body);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        USKLogger::sharedLogger().log("Error packaging: %s could not be written.", temporary.c_str());
        ::unlink(temporary.c_str());  // the compressed log stays for a later try
        return;
    }
    USKFaultPoint("stage.rename", packagedLogURL_);
    if (std::rename(temporary.c_str(), packagedLogURL_.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return;
    }
    USKFaultPoint("stage.renamed", packagedLogURL_);
    packagedLogExists_.store(true);
}

}  // namespace reporting
