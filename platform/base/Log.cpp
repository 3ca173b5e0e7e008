#include "platform/base/Log.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/base/Clock.h"
#include "platform/base/Strings.h"

namespace platform {

namespace {
std::mutex& sinkMutex() {
    static auto* m = new std::mutex;
    return *m;
}
Log::Sink& sink() {
    static auto* s = new Log::Sink;
    return *s;
}
std::atomic<bool>& debugSwitch() {
    static std::atomic<bool> on = [] {
        const char* value = std::getenv("KESTRUNE_LOG_DEBUG");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return on;
}
// Set once standard error's reader has gone (the log piped into a filter that exited, `kestrune 2>&1 |
// grep`, then Ctrl-C): with SIGPIPE ignored every later line would fail the same way, so the log stops
// writing there and the program goes on.
std::atomic<bool> gStandardErrorGone{false};
}  // namespace

void Log::setDebug(bool on) {
    debugSwitch() = on;
}

bool Log::debug() {
    return debugSwitch();
}

Log::Sink Log::setSink(Sink newSink) {
    std::lock_guard lock(sinkMutex());
    Sink old = std::move(sink());
    sink() = std::move(newSink);
    return old;
}

void logLine(const std::string& line) {
    Log::Sink current;
    {
        std::lock_guard lock(sinkMutex());
        current = sink();
    }
    if (current) {
        current(line);
        return;
    }
    Log::writeToStandardError(line);
}

void Log::writeToStandardError(const std::string& line) {
    if (gStandardErrorGone.load()) return;
    double now = Clock::now();
    time_t seconds = static_cast<time_t>(now);
    struct tm parts {};
    localtime_r(&seconds, &parts);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &parts);
    int millis = static_cast<int>((now - static_cast<double>(seconds)) * 1000.0);
    if (millis < 0 || millis > 999) millis = 0;
    if (fprintf(stderr, "%s.%03d kestrune[%d:%ld] %s\n", stamp, millis, getpid(),
                static_cast<long>(syscall(SYS_gettid)), line.c_str()) < 0 &&
        errno == EPIPE)
        gStandardErrorGone = true;
}

void logf(const char* text, ...) {
    va_list args;
    va_start(args, text);
    std::string line = vformat(text, args);
    va_end(args);
    logLine(line);
}

void logDebugf(const char* text, ...) {
    if (!Log::debug()) return;
    va_list args;
    va_start(args, text);
    std::string line = vformat(text, args);
    va_end(args);
    logLine(line);
}

}  // namespace platform
