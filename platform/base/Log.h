#pragma once

#include <functional>
#include <string>

namespace platform {

// Diagnostics: one formatted line per call, written to standard error with the time, the process and
// the thread. Tests can capture the lines instead.
void logf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const std::string& line);
// Debugging detail (which page a pager turned to, which view a page loaded): written as logf writes,
// only while the log's debug switch is on.
void logDebugf(const char* format, ...) __attribute__((format(printf, 1, 2)));

class Log {
public:
    using Sink = std::function<void(const std::string& line)>;
    // Replaces where lines go (the message only, without the time prefix); an empty sink restores
    // standard error. Returns the previous sink.
    static Sink setSink(Sink sink);
    // Writes the line as the log writes it when no sink is set: with the time, the process and the
    // thread, to standard error. For a sink that passes some lines on as they would have gone. Once a
    // line finds standard error's reader gone (EPIPE, SIGPIPE ignored), nothing more is written there.
    static void writeToStandardError(const std::string& line);
    // The debug switch: off unless KESTRUNE_LOG_DEBUG is set in the environment (to anything but "0")
    // when the log is first used.
    static void setDebug(bool on);
    static bool debug();
};

}  // namespace platform
