#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/Error.h"

namespace platform {

// A byte sink written piece by piece, into memory or into a file: request bodies are built through it,
// in memory for a request that carries its body, in a file for one that is streamed from disk. A
// stream is written by one owner at a time.
class OutputStream {
public:
    enum class Status { NotOpen, Open, Closed, Error };

    static std::shared_ptr<OutputStream> outputStreamToMemory();
    // With append false the file is replaced (created when missing).
    static std::shared_ptr<OutputStream> outputStreamToFileAtPath_append(const std::string& path,
                                                                         bool append);

    virtual ~OutputStream();
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    virtual void open();
    // A file stream is flushed to disk before it is closed; a failure leaves the stream in Error.
    virtual void close();
    // Writes up to `length` bytes and answers how many were taken, or -1 when the stream is not open or
    // the write failed (streamError then tells why).
    virtual ssize_t write_maxLength(const uint8_t* bytes, size_t length);

    Status streamStatus() const { return status_; }
    std::optional<Error> streamError() const { return error_; }
    // The bytes a memory stream has taken so far; none for a file stream.
    std::optional<Data> dataWrittenToMemory() const;

protected:
    OutputStream(bool toMemory, std::string path, bool append);
    void fail(std::string description);

private:
    const bool toMemory_;
    const std::string path_;
    const bool append_;
    Status status_ = Status::NotOpen;
    std::optional<Error> error_;
    Data memory_;
    FILE* file_ = nullptr;
};

}  // namespace platform
