#include "reporting/crash/CRKSDKLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstring>

#include "reporting/crash/CRKContext.h"

namespace reporting {

std::atomic<bool> gCRKUnwindLogging{true};

namespace {

void writeByte(int descriptor, char byte) {
    CRKFileWriteToDescriptor(descriptor, &byte, 1);
}

void writeText(int descriptor, const char* text) {
    if (text[0] != '\0') CRKFileWriteToDescriptor(descriptor, text, strlen(text));
}

}  // namespace

void CRKSDKLog(int32_t level, const char* format, ...) {
    // A start-up block logs into the log of the context it starts, never into one started after it.
    const CRKContextInUse context = CRKContextInUseOnThisThread();
    CRKReadOnlyContext* readonly = context.readonly;
    CRKWritableContext* writable = context.writable;
    if (!readonly || !writable || !readonly->logPath || !format || level < writable->logLevel) return;
    std::atomic_ref<int32_t> shared(writable->logDescriptor);
    int32_t descriptor = shared.load();
    if (descriptor < 0) {
        // A failed open leaves -1, so the next message tries again. Two threads logging first at once
        // both open; the one that installs its descriptor first wins and the other closes its own.
        // Never through a link someone put at the path, and only into a regular file (a pipe would hold
        // a crashing thread). Plain system calls: this may run in the crash handler.
        const int opened = open(readonly->logPath,
                                O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (opened < 0) return;
        struct stat info;
        if (fstat(opened, &info) != 0 || !S_ISREG(info.st_mode)) {
            close(opened);
            return;
        }
        int32_t expected = -1;
        if (shared.compare_exchange_strong(expected, opened)) {
            descriptor = opened;
        } else {
            close(opened);
            descriptor = expected;
        }
    }
    va_list arguments;
    va_start(arguments, format);
    for (const char* p = format; *p; p++) {
        if (*p != '%') {
            writeByte(descriptor, *p);
            continue;
        }
        const char conversion = p[1];
        if (conversion == '\0') {
            writeByte(descriptor, '%');
            break;
        }
        p++;
        switch (conversion) {
            case 'p':
                writeText(descriptor, "0x");
                CRKFileDescriptorWriteUInt64(descriptor,
                                             reinterpret_cast<uintptr_t>(va_arg(arguments, void*)), true);
                break;
            case 's': {
                const char* text = va_arg(arguments, const char*);
                writeText(descriptor, text ? text : "(null)");
                break;
            }
            case 'u':
                CRKFileDescriptorWriteUInt64(descriptor, va_arg(arguments, unsigned), false);
                break;
            case 'x':
                CRKFileDescriptorWriteUInt64(descriptor, va_arg(arguments, unsigned), true);
                break;
            case 'd':
                CRKFileDescriptorWriteInt64(descriptor, va_arg(arguments, int));
                break;
            default:
                // Length modifiers and unknown conversions are written as they stand and take no
                // argument.
                writeByte(descriptor, '%');
                writeByte(descriptor, conversion);
                break;
        }
    }
    va_end(arguments);
}

const char* CRKErrorText(int error) {
    const char* text = strerrordesc_np(error);
    return text ? text : "unknown error";
}

}  // namespace reporting
