#pragma once

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

void CRKSDKLog(int32_t level, const char* format, ...);

// The description of an errno value for a log line (never null).
const char* CRKErrorText(int error);

}  // namespace reporting

// Fills the "[%s:%d] " of every message with the function's name and line.
#define CRKSDKLOG(level, format, ...) \
    ::reporting::CRKSDKLog(level, format, __func__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
#define CRKSDKLOG_DEBUG(format, ...) \
    CRKSDKLOG(::reporting::CRKSDKLogLevelDebug, format __VA_OPT__(, ) __VA_ARGS__)
#define CRKSDKLOG_INFO(format, ...) \
    CRKSDKLOG(::reporting::CRKSDKLogLevelInfo, format __VA_OPT__(, ) __VA_ARGS__)
#define CRKSDKLOG_WARN(format, ...) \
    CRKSDKLOG(::reporting::CRKSDKLogLevelWarn, format __VA_OPT__(, ) __VA_ARGS__)
#define CRKSDKLOG_ERROR(format, ...) \
    CRKSDKLOG(::reporting::CRKSDKLogLevelError, format __VA_OPT__(, ) __VA_ARGS__)
