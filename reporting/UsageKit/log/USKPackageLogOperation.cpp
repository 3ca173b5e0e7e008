#include "reporting/UsageKit/log/USKPackageLogOperation.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/net/OutputStream.h"
#include "platform/storage/Files.h"
#include "reporting/UsageKit/USKFaultPoints.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/log/USKFileUtils.h"
#include "reporting/core/RKTMultipartMimeStreamEncoder.h"

namespace reporting {

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
    // Made first with the owner's mode only; the stream then replaces its contents.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        USKLogger::sharedLogger().log("Error packaging: %s is an invalid path.", temporary.c_str());
        return;
    }
    ::close(fd);
    auto stream = platform::OutputStream::outputStreamToFileAtPath_append(temporary, false);
    auto encoder =
        RKTMultipartMimeStreamEncoder::encoderWithStream_andBoundary(stream, multipartMimeBoundary_);
    if (!encoder) {
        ::unlink(temporary.c_str());
        return;
    }
    const std::string name = platform::Files::lastPathComponent(compressedLogURL_);
    encoder->encode([&](RKTMultipartMimeStreamEncoder& e) {
        e.addFileData_fileName_mimeType_fieldName(*data, name, std::string(kContentType), name);
    });
    if (stream->streamStatus() == platform::OutputStream::Status::Error ||
        platform::Files::fileSize(temporary).value_or(0) != encoder->length()) {
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
