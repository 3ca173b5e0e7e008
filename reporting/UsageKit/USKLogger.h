#pragma once

#include <atomic>
#include <cstdarg>
#include <string>

namespace reporting {

// The analytics kit's console logger: lines carry "[UsageKit]" (or "[UsageKit:<label>]") and are written
// only in debug mode. Formats are printf-style.
class USKLogger {
public:
    static USKLogger& sharedLogger();
    void log(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void logWithLabel_format(const char* label, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    void internalLog_args(const std::string& format, va_list args);
    bool debugMode() const { return debugMode_.load(); }
    void setDebugMode(bool debug) { debugMode_.store(debug); }

private:
    USKLogger() = default;
    std::atomic<bool> debugMode_{false};
};

// Messages of the kit that reach the system log whatever the debug mode (the attribute rules).
void USKSystemLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace reporting
