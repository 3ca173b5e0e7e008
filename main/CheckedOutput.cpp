#include "main/CheckedOutput.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "main/StopSignals.h"

namespace kestrune {

namespace {
// What is held before it is written without a flush: a long text goes out in pieces of this size.
constexpr size_t kMostHeld = 8192;
}  // namespace

CheckedOutput::CheckedOutput(int descriptor) : std::ostream(nullptr) {
    buffer_.descriptor = descriptor;
    rdbuf(&buffer_);
}

CheckedOutput::~CheckedOutput() {
    // Whoever listened may be going too: what is still held goes out without telling anyone.
    buffer_.failed = nullptr;
    buffer_.pubsync();
}

CheckedOutput::Buffer::int_type CheckedOutput::Buffer::overflow(int_type character) {
    if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(character);
    const char text = traits_type::to_char_type(character);
    return xsputn(&text, 1) == 1 ? character : traits_type::eof();
}

std::streamsize CheckedOutput::Buffer::xsputn(const char* text, std::streamsize count) {
    if (error != 0) return 0;
    held.append(text, static_cast<size_t>(count));
    if (held.size() >= kMostHeld && sync() != 0) return 0;
    return count;
}

int CheckedOutput::Buffer::sync() {
    size_t written = 0;
    while (error == 0 && written < held.size()) {
        const ssize_t wrote = ::write(descriptor, held.data() + written, held.size() - written);
        if (wrote > 0) {
            written += static_cast<size_t>(wrote);
        } else if (wrote < 0 && errno == EINTR) {
            continue;
        } else {
            // A write that takes nothing and says no error would be tried for ever: a device failing.
            error = wrote < 0 ? errno : EIO;
            if (failed) failed(error);
        }
    }
    held.clear();
    return error == 0 ? 0 : -1;
}

int CheckedOutput::finish(const std::string& what, int status, std::ostream& err) {
    flush();
    if (error() == 0) return status;
    if (error() == EPIPE) {
        StopSignals::endBySignalAtExit(SIGPIPE);
        return StopSignals::exitStatus(SIGPIPE);
    }
    err << failureLine(what, error()) << std::endl;
    return status == 0 ? 1 : status;
}

std::string CheckedOutput::failureLine(const std::string& what, int error) {
    return "kestrune: cannot write " + what + " to standard output: " + std::strerror(error);
}

}  // namespace kestrune
