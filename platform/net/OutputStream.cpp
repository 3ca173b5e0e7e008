#include "platform/net/OutputStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/base/Log.h"

namespace platform {

namespace {
constexpr const char* kDomain = "OutputStream";
}  // namespace

std::shared_ptr<OutputStream> OutputStream::outputStreamToMemory() {
    return std::shared_ptr<OutputStream>(new OutputStream(true, {}, false));
}

std::shared_ptr<OutputStream> OutputStream::outputStreamToFileAtPath_append(const std::string& path,
                                                                            bool append) {
    return std::shared_ptr<OutputStream>(new OutputStream(false, path, append));
}

OutputStream::OutputStream(bool toMemory, std::string path, bool append)
    : toMemory_(toMemory), path_(std::move(path)), append_(append) {}

OutputStream::~OutputStream() {
    if (file_) fclose(file_);
}

void OutputStream::fail(std::string description) {
    status_ = Status::Error;
    error_ = Error{kDomain, errno ? errno : -1, std::move(description)};
}

void OutputStream::open() {
    if (status_ != Status::NotOpen) return;
    if (!toMemory_) {
        // Private to the account, and never through a link put where the file belongs.
        const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (append_ ? O_APPEND : O_TRUNC);
        const int descriptor = ::open(path_.c_str(), flags, 0600);
        file_ = descriptor < 0 ? nullptr : fdopen(descriptor, append_ ? "ab" : "wb");
        if (!file_ && descriptor >= 0) ::close(descriptor);
        if (!file_) {
            fail("cannot open " + path_ + ": " + strerror(errno));
            logf("OutputStream: cannot open %s: %s", path_.c_str(), strerror(errno));
            return;
        }
    }
    status_ = Status::Open;
}

void OutputStream::close() {
    if (status_ != Status::Open) return;
    status_ = Status::Closed;
    if (!file_) return;
    // A body that is about to be sent must be whole on disk, not only in the C library's buffer.
    const bool flushed = fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    const bool closed = fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) {
        fail("cannot finish writing " + path_ + ": " + strerror(errno));
        logf("OutputStream: cannot finish writing %s", path_.c_str());
    }
}

ssize_t OutputStream::write_maxLength(const uint8_t* bytes, size_t length) {
    if (status_ != Status::Open) return -1;
    if (length == 0) return 0;
    if (!bytes) return -1;
    if (toMemory_) {
        memory_.append(bytes, length);
        return static_cast<ssize_t>(length);
    }
    const size_t written = fwrite(bytes, 1, length, file_);
    if (written == 0) {
        fail("cannot write " + path_ + ": " + strerror(errno));
        return -1;
    }
    return static_cast<ssize_t>(written);
}

std::optional<Data> OutputStream::dataWrittenToMemory() const {
    if (!toMemory_) return std::nullopt;
    return memory_;
}

}  // namespace platform
