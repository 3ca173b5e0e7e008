#pragma once

#include <atomic>
#include <cstdint>

namespace reporting {

// The crash kit's own diagnostic log: "sdk.log" in the current run's report folder. It writes straight
// to a descriptor, one byte at a time, with no formatting library, so it may be called at crash time.
//
// Conversions: "%p" (0x and 64-bit lower-case hex), "%s" (the string, or "(null)"), "%u" (32-bit
// unsigned), "%x" (32-bit lower-case hex) and "%d" (32-bit signed). Any other character after "%" is
// written as it stands with the "%" and takes no argument, so "%zu" prints "%zu".
enum CRKSDKLogLevel : int32_t {
    CRKSDKLogLevelDebug = 1,
    CRKSDKLogLevelInfo = 2,
    CRKSDKLogLevelWarn = 3,
    CRKSDKLogLevelError = 4,
};

void CRKSDKLog(int32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A 64-bit number (an address, a register value, an offset read from a file) for "%p", which writes all
// of its bits in hex; "%u" and "%x" take 32 bits only.
inline void* CRKLogWord(uint64_t value) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(value));
}

// The description of an errno value for a log line (never null).
const char* CRKErrorText(int error);

// Whether the kit's diagnostic log can take messages, as seen by the last CRKUnwindInit. The walk
// writes dozens of trace lines a frame; without a log they are skipped before their arguments are
// even gathered. True until a walk has looked.
extern std::atomic<bool> gCRKUnwindLogging;

}  // namespace reporting

// Every message starts with its level and "[function:line] "; the macros supply both, so a call
// spells only its own text.
#define CRKSDKLOG_PREFIXED(level, prefix, format, ...) \
    ::reporting::CRKSDKLog(level, prefix "[%s:%d] " format, __func__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
#define CRKSDKLOG_DEBUG(format, ...) \
    CRKSDKLOG_PREFIXED(::reporting::CRKSDKLogLevelDebug, "DEBUG ", format __VA_OPT__(, ) __VA_ARGS__)
#define CRKSDKLOG_INFO(format, ...) \
    CRKSDKLOG_PREFIXED(::reporting::CRKSDKLogLevelInfo, "INFO  ", format __VA_OPT__(, ) __VA_ARGS__)
#define CRKSDKLOG_WARN(format, ...) \
    CRKSDKLOG_PREFIXED(::reporting::CRKSDKLogLevelWarn, "WARN  ", format __VA_OPT__(, ) __VA_ARGS__)
#define CRKSDKLOG_ERROR(format, ...) \
    CRKSDKLOG_PREFIXED(::reporting::CRKSDKLogLevelError, "ERROR ", format __VA_OPT__(, ) __VA_ARGS__)

// The kit's log calls of the walker and the call-frame unwinder, behind the check above.
#define CRKUNWINDLOG(LOGMACRO, format, ...)                                   \
    do {                                                                      \
        if (::reporting::gCRKUnwindLogging.load(std::memory_order_relaxed)) { \
            LOGMACRO(format __VA_OPT__(, ) __VA_ARGS__);                      \
        }                                                                     \
    } while (0)
#define CRKUNWINDLOG_DEBUG(format, ...) CRKUNWINDLOG(CRKSDKLOG_DEBUG, format __VA_OPT__(, ) __VA_ARGS__)
#define CRKUNWINDLOG_INFO(format, ...) CRKUNWINDLOG(CRKSDKLOG_INFO, format __VA_OPT__(, ) __VA_ARGS__)
#define CRKUNWINDLOG_WARN(format, ...) CRKUNWINDLOG(CRKSDKLOG_WARN, format __VA_OPT__(, ) __VA_ARGS__)
#define CRKUNWINDLOG_ERROR(format, ...) CRKUNWINDLOG(CRKSDKLOG_ERROR, format __VA_OPT__(, ) __VA_ARGS__)
