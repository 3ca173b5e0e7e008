#pragma once

#include <functional>
#include <string>

namespace platform {

// Diagnostics: one formatted line per call, written to standard error with the time, the process and
// the thread. Tests can capture the lines instead.
void logf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const std::string& line);

class Log {
public:
    using Sink = std::function<void(const std::string& line)>;
    // Replaces where lines go (the message only, without the time prefix); an empty sink restores
    // standard error. Returns the previous sink.
    static Sink setSink(Sink sink);
};

}  // namespace platform
