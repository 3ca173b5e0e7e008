#pragma once

#include <functional>
#include <ostream>
#include <streambuf>
#include <string>

namespace kestrune {

// A run's own text on a descriptor (help, the scenario list, a scenario's timeline and closing lines, the
// pictures' summary): held until flushed, then written straight to the descriptor, keeping the first
// write that failed and why (errno), which std::cout cannot tell. A full disk (ENOSPC) or a failing
// device (EIO) must end the run saying so, where a reader that went away (EPIPE) is a stop as by SIGPIPE.
// Once a write has failed, what comes after is dropped and the stream reads as failed.
class CheckedOutput : public std::ostream {
public:
    explicit CheckedOutput(int descriptor);
    ~CheckedOutput() override;
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;

    // errno of the first write that failed; 0 while everything flushed went out.
    int error() const { return buffer_.error; }
    // Called once, on the thread that flushed, when the first write fails, with its errno.
    void onError(std::function<void(int error)> called) { buffer_.failed = std::move(called); }
    // Flushes, and answers the exit status of a run that ends with this text. Everything written: `status`.
    // Its reader gone (EPIPE): the stop by SIGPIPE (StopSignals). Another failure: one line on `err` says
    // what could not be written and why (failureLine), and the status says a failure.
    int finish(const std::string& what, int status, std::ostream& err);

    // "kestrune: cannot write WHAT to standard output: REASON"
    static std::string failureLine(const std::string& what, int error);

private:
    class Buffer : public std::streambuf {
    public:
        int descriptor = -1;
        int error = 0;
        std::function<void(int)> failed;
        std::string held;

    protected:
        int_type overflow(int_type character) override;
        std::streamsize xsputn(const char* text, std::streamsize count) override;
        int sync() override;
    };
    Buffer buffer_;
};

}  // namespace kestrune
