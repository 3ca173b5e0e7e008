#include "reporting/crash/upload/CRKPackageReportOperation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "platform/base/Log.h"
#include "platform/net/OutputStream.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTFileUtility.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/upload/CRKUploadCheckpoint.h"

namespace reporting {

namespace {

constexpr const char* kPackageExtension = "multipartmime";
constexpr int kMaximumWriteAttempts = 50;

std::atomic<size_t> gFailNextWriteAfter{std::numeric_limits<size_t>::max()};

std::string fileExtensionOf(const std::string& path) {
    const std::string name = platform::Files::lastPathComponent(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

// The package file: created 0600, every byte checked, flushed to disk before it counts as written.
// Any failure is remembered, so the caller can tell a whole body from a cut one.
class PackageOutputStream : public platform::OutputStream {
public:
    PackageOutputStream(std::string path, size_t limit)
        : platform::OutputStream(false, path, false), path_(std::move(path)), limit_(limit) {}
    ~PackageOutputStream() override {
        if (fd_ >= 0) ::close(fd_);
    }

    void open() override {
        if (fd_ >= 0 || failed_) return;
        fd_ = RKTOpenRegularFileForWriting(path_, O_WRONLY | O_TRUNC);
        if (fd_ < 0) markFailed();
    }
    void close() override {
        if (fd_ < 0) return;
        if (fsync(fd_) != 0) markFailed();
        if (::close(fd_) != 0) markFailed();
        fd_ = -1;
    }
    ssize_t write_maxLength(const uint8_t* bytes, size_t length) override {
        if (fd_ < 0 || failed_ || !bytes) return -1;
        size_t done = 0;
        while (done < length) {
            size_t chunk = length - done;
            if (written_ + chunk > limit_) chunk = limit_ > written_ ? limit_ - written_ : 0;
            const ssize_t result = chunk == 0 ? (errno = ENOSPC, -1) : ::write(fd_, bytes + done, chunk);
            if (result < 0 && errno == EINTR) continue;
            if (result <= 0) {
                markFailed();
                return done == 0 ? -1 : static_cast<ssize_t>(done);
            }
            done += static_cast<size_t>(result);
            written_ += static_cast<size_t>(result);
        }
        return static_cast<ssize_t>(done);
    }

    bool failed() const { return failed_; }
    int error() const { return error_; }

private:
    void markFailed() {
        if (!failed_) error_ = errno;
        failed_ = true;
    }

    const std::string path_;
    const size_t limit_;
    int fd_ = -1;
    size_t written_ = 0;
    bool failed_ = false;
    int error_ = 0;
};

// The bytes in pieces of this size, so that a cancellation is seen between two of them: a symbolicated
// record of a deep recursion runs to a hundred megabytes.
constexpr size_t kCompressionPiece = size_t(1) << 20;

// The bytes through gzip, each piece's remaining bytes offered at most 50 times (a partial write goes on
// with the rest); false when a write fails or `stop` answers true between two pieces.
bool writeBytesToGZFile(const uint8_t* bytes, size_t length, gzFile file, const std::function<bool()>& stop) {
    if (length == 0) return false;
    size_t done = 0;
    while (done < length) {
        if (stop && stop()) return false;
        const size_t pieceEnd = done + std::min(length - done, kCompressionPiece);
        for (int attempt = 0; attempt < kMaximumWriteAttempts && done < pieceEnd; attempt++) {
            const unsigned offered = static_cast<unsigned>(pieceEnd - done);
            errno = 0;
            const int result = gzwrite(file, bytes + done, offered);
            if (result == 0) {
                int gzError = 0;
                const char* gzText = gzerror(file, &gzError);
                CRKSDKLOG_ERROR("Error: failed to write compressed bytes %d, %s, %s \n", gzError, gzText,
                                CRKErrorText(errno));
            }
            if (result <= 0 || static_cast<unsigned>(result) > offered) return false;
            done += static_cast<size_t>(result);
        }
        if (done < pieceEnd) return false;
    }
    return true;
}

// A gzip file at `path` filled by `fill`; a fill that fails (or a close that does) leaves no file: a cut
// copy is never sent (copies are made afresh for each package), but it need not stay either.
bool compressWith(const std::string& path, const std::function<bool(gzFile)>& fill) {
    const int fd = RKTOpenRegularFileForWriting(path, O_WRONLY | O_TRUNC);
    gzFile file = fd >= 0 ? gzdopen(fd, "w") : nullptr;
    if (!file) {
        CRKSDKLOG_ERROR("Error: unable to open file for compression %s\n", CRKErrorText(errno));
        if (fd >= 0) ::close(fd);
        return false;
    }
    bool success = fill(file);
    if (gzclose(file) != Z_OK) success = false;
    if (!success) unlink(path.c_str());
    return success;
}

bool compressToPath(const platform::Data& data, const std::string& path, const std::function<bool()>& stop) {
    return compressWith(path, [&](gzFile file) {
        return data.size() > 0 && writeBytesToGZFile(data.bytes(), data.size(), file, stop);
    });
}

// The open file's bytes through gzip a piece at a time, read as they go: a record's names may run to a
// hundred megabytes, which read whole would be held in memory and would hold up a stop for as long as
// the reading takes. `stop` is asked before each piece.
bool compressFileToPath(int source, const std::string& path, const std::function<bool()>& stop) {
    return compressWith(path, [&](gzFile file) {
        std::vector<uint8_t> piece(kCompressionPiece);
        size_t total = 0;
        for (;;) {
            if (stop && stop()) return false;
            const ssize_t got = ::read(source, piece.data(), piece.size());
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                CRKSDKLOG_ERROR("Error: unable to read data for compression: %s\n", CRKErrorText(errno));
                return false;
            }
            if (got == 0) return total > 0;
            if (!writeBytesToGZFile(piece.data(), static_cast<size_t>(got), file, nullptr)) return false;
            total += static_cast<size_t>(got);
        }
    });
}

// The file opened for reading when it is a regular file with something in it, else -1.
int openNonEmptyRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

void CRKPackageReportOperation::failNextPackageWriteAfter(size_t bytes) {
    gFailNextWriteAfter.store(bytes);
}

CRKPackageReportOperation::CRKPackageReportOperation(std::shared_ptr<CRKInternalReport> report,
                                                     std::shared_ptr<CRKFileManager> fileManager)
    : report_(std::move(report)), fileManager_(std::move(fileManager)) {}

std::string CRKPackageReportOperation::reportPath() const {
    return report_ ? report_->path() : std::string();
}

std::string CRKPackageReportOperation::destinationDirectory() const {
    return fileManager_ ? fileManager_->preparedPath() : std::string();
}

std::string CRKPackageReportOperation::packagedPathWithName(const std::string& name) const {
    return CRKPathByAppendingComponent(destinationDirectory(), name + "." + kPackageExtension);
}

void CRKPackageReportOperation::main() {
    finalPath_.reset();
    if (!report_ || !fileManager_) return;
    const std::string boundary = RKTMultipartMimeStreamEncoder::generateBoundary();
    const std::string path = packagedPathWithName(boundary);
    // Hidden in the report folder: the folder listing skips it, and whatever an interruption leaves
    // there goes away with the folder.
    const std::string partialPath = CRKPathByAppendingComponent(reportPath(), "." + boundary + ".partial");
    const std::optional<std::string> identifier =
        report_->identifier().empty() ? std::nullopt : std::optional<std::string>(report_->identifier());
    const std::optional<std::string> APIKey = report_->APIKey();

    const auto stream = std::make_shared<PackageOutputStream>(
        partialPath, gFailNextWriteAfter.exchange(std::numeric_limits<size_t>::max()));
    const auto encoder = RKTMultipartMimeStreamEncoder::encoderWithStream_andBoundary(stream, boundary);
    if (!encoder) return;

    encoder->encode([&](RKTMultipartMimeStreamEncoder& body) {
        if (APIKey) body.addValue_fieldName(*APIKey, "api_key");
        if (identifier) body.addValue_fieldName(*identifier, "report_id");
        for (const std::string& file : fileManager_->contentsOfDirectory(reportPath())) {
            if (isCancelled()) continue;
            if (fileExtensionOf(file) == "gz") continue;
            const int source = openNonEmptyRegularFile(file);
            if (source >= 0) {
                encode_file(body, source, file);
                ::close(source);
            } else {
                CRKSDKLOG_ERROR("Error: unable to read data for compression: %s\n",
                                platform::Files::lastPathComponent(file).c_str());
            }
        }
    });

    if (isCancelled() || stream->failed()) {
        if (stream->failed())
            CRKSDKLOG_ERROR("Error: unable to write the package %s: %s\n", path.c_str(),
                            CRKErrorText(stream->error()));
        unlink(partialPath.c_str());
        return;
    }
    if (!platform::Files::move(partialPath, path)) {
        CRKSDKLOG_ERROR("Error: unable to move the package into %s\n", path.c_str());
        unlink(partialPath.c_str());
        return;
    }
    CRKUploadCheckpoint("rename");
    finalPath_ = path;
}

void CRKPackageReportOperation::encode_data_fromPath(RKTMultipartMimeStreamEncoder& encoder,
                                                     const platform::Data& data, const std::string& path) {
    encodeCompressed(encoder, path, [&](const std::string& gzipPath) {
        return compressToPath(data, gzipPath, [this] { return isCancelled(); });
    });
}

void CRKPackageReportOperation::encode_file(RKTMultipartMimeStreamEncoder& encoder, int source,
                                            const std::string& path) {
    encodeCompressed(encoder, path, [&](const std::string& gzipPath) {
        return compressFileToPath(source, gzipPath, [this] { return isCancelled(); });
    });
}

void CRKPackageReportOperation::encodeCompressed(RKTMultipartMimeStreamEncoder& encoder,
                                                 const std::string& path,
                                                 const std::function<bool(const std::string&)>& compress) {
    if (path.empty()) {
        CRKSDKLOG_ERROR("Error: path is invalid\n");
        return;
    }
    const std::string gzipPath = path + ".gz";
    const std::string fieldName = platform::Files::lastPathComponent(path);
    const std::string fileName = platform::Files::lastPathComponent(gzipPath);
    std::string contentType = "application/x-gzip";
    std::string contentPath = gzipPath;
    if (!compress(gzipPath)) {
        if (isCancelled()) return;  // the package is thrown away: nothing more goes into it
        CRKSDKLOG_ERROR("Error: compression failed for %s\n", fileName.c_str());
        contentType = "text/plain";
        contentPath = path;
    }
    encoder.addFile_fileName_mimeType_fieldName(contentPath, fileName, contentType, fieldName);
}

bool CRKPackageReportOperation::compressData_toPath(const platform::Data& data, const std::string& path) {
    return compressToPath(data, path, nullptr);
}

}  // namespace reporting
