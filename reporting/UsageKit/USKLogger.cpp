#include "reporting/UsageKit/USKLogger.h"

#include <cstdio>

#include "platform/base/Log.h"

namespace reporting {

namespace {
std::string vformat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int needed = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed) + 1);
        vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(needed));
    }
    return out;
}
}  // namespace

USKLogger& USKLogger::sharedLogger() {
    static USKLogger* logger = new USKLogger();  // lives as long as the process
    return *logger;
}

void USKLogger::log(const char* format, ...) {
    if (!debugMode()) return;
    va_list args;
    va_start(args, format);
    internalLog_args(std::string("[UsageKit] ") + format, args);
    va_end(args);
}

void USKLogger::logWithLabel_format(const char* label, const char* format, ...) {
    if (!debugMode()) return;
    va_list args;
    va_start(args, format);
    internalLog_args(std::string("[UsageKit:") + label + "] " + format, args);
    va_end(args);
}

void USKLogger::internalLog_args(const std::string& format, va_list args) {
    if (!debugMode()) return;
    platform::logLine(vformat(format.c_str(), args));
}

void USKSystemLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    platform::logLine(vformat(format, args));
    va_end(args);
}

}  // namespace reporting
