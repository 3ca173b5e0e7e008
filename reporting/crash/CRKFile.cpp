#include "reporting/crash/CRKFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

namespace {

constexpr int kMaximumWriteCalls = 50;

bool flushBuffer(CRKFile* file) {
    bool ok = true;
    if (file->bufferedLength > 0) {
        ok = CRKFileWriteToDescriptor(file->descriptor, file->writeBuffer, file->bufferedLength);
        if (ok) file->bytesWritten += file->bufferedLength;
    }
    file->bufferedLength = 0;
    return ok;
}

void openCollection(CRKFile* file, char bracket) {
    if (file->needsComma) CRKFileWriteBytes(file, ",", 1);
    CRKFileWriteBytes(file, &bracket, 1);
    file->collectionDepth++;
    file->needsComma = false;
}

void closeCollection(CRKFile* file, char bracket) {
    CRKFileWriteBytes(file, &bracket, 1);
    if (file->collectionDepth > 0) {
        file->collectionDepth--;
        file->needsComma = file->collectionDepth != 0;
    }
}

// The length of a well-formed UTF-8 sequence starting at text[0] (of at most `available` bytes), or 0.
size_t utf8SequenceLength(const unsigned char* text, size_t available) {
    const unsigned char c = text[0];
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;  // no UTF-16 surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (length > available) return 0;
    if (text[1] < low || text[1] > high) return 0;
    for (size_t i = 2; i < length; i++) {
        if (text[i] < 0x80 || text[i] > 0xBF) return 0;
    }
    return length;
}

bool needsEscaping(const char* text, size_t length) {
    for (size_t i = 0; i < length; i++) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == '"' || c == '\\' || c >= 0x80) return true;
    }
    return false;
}

// Writes the text's bytes JSON-escaped, through a small stack buffer.
void writeEscaped(CRKFile* file, const char* text, size_t length) {
    static const char digits[] = "0123456789abcdef";
    char chunk[64];
    size_t used = 0;
    auto put = [&](const char* bytes, size_t count) {
        if (used + count > sizeof chunk) {
            CRKFileWriteBytes(file, chunk, used);
            used = 0;
        }
        memcpy(chunk + used, bytes, count);
        used += count;
    };
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < length) {
        const unsigned char c = bytes[i];
        if (c == '"' || c == '\\') {
            const char escaped[2] = {'\\', static_cast<char>(c)};
            put(escaped, 2);
            i++;
        } else if (c < 0x20) {
            char escaped[6] = {'\\', 'u', '0', '0', digits[c >> 4], digits[c & 0xF]};
            switch (c) {
                case '\n':
                    put("\\n", 2);
                    break;
                case '\r':
                    put("\\r", 2);
                    break;
                case '\t':
                    put("\\t", 2);
                    break;
                default:
                    put(escaped, 6);
                    break;
            }
            i++;
        } else if (c < 0x80) {
            put(text + i, 1);
            i++;
        } else if (size_t n = utf8SequenceLength(bytes + i, length - i); n > 0) {
            put(text + i, n);
            i += n;
        } else {
            put("\\ufffd", 6);
            i++;
        }
    }
    if (used > 0) CRKFileWriteBytes(file, chunk, used);
}

// A quoted string, or a quoted key followed by ":". A short string that needs no escaping goes out in
// one write.
void writeQuoted(CRKFile* file, const char* text, bool key) {
    const size_t length = strlen(text);
    const size_t shortLimit = key ? 11 : 12;
    if (length <= shortLimit && !needsEscaping(text, length)) {
        char buffer[16];
        size_t at = 0;
        buffer[at++] = '"';
        memcpy(buffer + at, text, length);
        at += length;
        buffer[at++] = '"';
        if (key) buffer[at++] = ':';
        CRKFileWriteBytes(file, buffer, at);
        return;
    }
    CRKFileWriteBytes(file, "\"", 1);
    writeEscaped(file, text, length);
    CRKFileWriteBytes(file, key ? "\":" : "\"", key ? 2 : 1);
}

void writeStringValue(CRKFile* file, const char* text) {
    if (!text) {
        CRKFileWriteBytes(file, "null", 4);
        return;
    }
    writeQuoted(file, text, false);
}

void writeHexValue(CRKFile* file, const char* text) {
    static const char digits[] = "0123456789abcdef";
    if (!text) {
        CRKFileWriteBytes(file, "null", 4);
        return;
    }
    CRKFileWriteBytes(file, "\"", 1);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const size_t length = strlen(text);
    char chunk[32];
    for (size_t i = 0; i < length; i += 16) {
        const size_t count = length - i < 16 ? length - i : 16;
        for (size_t j = 0; j < count; j++) {
            chunk[2 * j] = digits[bytes[i + j] >> 4];
            chunk[2 * j + 1] = digits[bytes[i + j] & 0xF];
        }
        CRKFileWriteBytes(file, chunk, 2 * count);
    }
    CRKFileWriteBytes(file, "\"", 1);
}

void writeUInt64Value(CRKFile* file, uint64_t value) {
    char buffer[21];
    const char* digits = CRKFileFormatUInt64(buffer, value, false);
    CRKFileWriteBytes(file, digits, strlen(digits));
}

void writeInt64Value(CRKFile* file, int64_t value) {
    if (value < 0) {
        CRKFileWriteBytes(file, "-", 1);
        // The magnitude of the most negative value does not fit a signed value; unsigned arithmetic
        // gives it exactly.
        writeUInt64Value(file, 0 - static_cast<uint64_t>(value));
        return;
    }
    writeUInt64Value(file, static_cast<uint64_t>(value));
}

}  // namespace

bool CRKFileInitWithPathMode(CRKFile* file, const char* path, bool append, bool buffered) {
    if (!file) {
        CRKSDKLOG_WARN("Error: file is null\n");
        return false;
    }
    if (!path) {
        CRKSDKLOG_WARN("Error: file descriptor invalid\n");
        return false;
    }
    // No link is followed and nothing waits on a pipe: a record file is a regular file or nothing.
    // Read access in append mode is only for the last byte of the file (below). Records are the
    // user's: private.
    const int flags = (append ? O_RDWR | O_APPEND : O_WRONLY) | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    const int descriptor = open(path, flags, 0600);
    if (descriptor < 0) {
        CRKSDKLOG_WARN("Error: Unable to open file %s\n", CRKErrorText(errno));
        CRKSDKLOG_WARN("Error: file descriptor invalid\n");
        return false;
    }
    struct stat opened;
    if (fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        CRKSDKLOG_WARN("Error: %s is not a regular file\n", path);
        close(descriptor);
        return false;
    }
    // Truncated only once it is known to be a regular file of the kit's.
    if (!append && ftruncate(descriptor, 0) != 0) {
        CRKSDKLOG_WARN("Error: Unable to truncate file %s\n", CRKErrorText(errno));
        close(descriptor);
        return false;
    }
    file->descriptor = descriptor;
    file->collectionDepth = 0;
    file->needsComma = false;
    file->bufferingEnabled = buffered;
    file->bufferedLength = 0;
    file->bytesWritten = 0;
    if (buffered) file->writeBuffer[0] = '\0';
    if (append) {
        struct stat st;
        if (fstat(descriptor, &st) == 0 && st.st_size >= 1) {
            file->bytesWritten = static_cast<uint64_t>(st.st_size);
            // A line cut short by a kill has no end; the next record would be glued to it and the
            // reader would lose both. Ending it first costs only the cut line.
            char last = '\n';
            if (pread(descriptor, &last, 1, st.st_size - 1) == 1 && last != '\n' &&
                CRKFileWriteToDescriptor(descriptor, "\n", 1))
                file->bytesWritten += 1;
        }
    }
    return true;
}

bool CRKFileInitWithPath(CRKFile* file, const char* path, bool buffered) {
    return CRKFileInitWithPathMode(file, path, true, buffered);
}

bool CRKFileCloseWithOffset(CRKFile* file, uint64_t* offsetOut) {
    if (!file) {
        CRKSDKLOG_WARN("Error: file is null\n");
        return false;
    }
    if (file->bufferingEnabled && file->bufferedLength > 0) flushBuffer(file);
    if (offsetOut) *offsetOut = file->bytesWritten;
    if (close(file->descriptor) != 0) {
        CRKSDKLOG_WARN("Error: Unable to close file %s\n", CRKErrorText(errno));
        return false;
    }
    file->descriptor = -1;
    file->collectionDepth = 0;
    file->needsComma = false;
    file->bufferingEnabled = false;
    file->bufferedLength = 0;
    file->bytesWritten = 0;
    return true;
}

bool CRKFileClose(CRKFile* file) {
    return CRKFileCloseWithOffset(file, nullptr);
}

bool CRKFileIsOpen(const CRKFile* file) {
    return file && file->descriptor >= 0;
}

bool CRKFileFlush(CRKFile* file) {
    if (!CRKFileIsOpen(file)) return false;
    return !file->bufferingEnabled || flushBuffer(file);
}

void CRKFileWriteBytes(CRKFile* file, const void* bytes, size_t length) {
    if (!file || !bytes || length == 0) return;
    if (!file->bufferingEnabled) {
        if (CRKFileWriteToDescriptor(file->descriptor, bytes, length)) file->bytesWritten += length;
        return;
    }
    // The buffer keeps a terminating zero, so it holds at most 999 data bytes; it is flushed exactly
    // when the next piece would not fit.
    const char* source = static_cast<const char*>(bytes);
    while (file->bufferedLength + length >= CRKFileWriteBufferSize) {
        const size_t room = CRKFileWriteBufferSize - 1 - file->bufferedLength;
        memcpy(file->writeBuffer + file->bufferedLength, source, room);
        file->bufferedLength += room;
        file->writeBuffer[file->bufferedLength] = '\0';
        flushBuffer(file);
        source += room;
        length -= room;
    }
    memcpy(file->writeBuffer + file->bufferedLength, source, length);
    file->bufferedLength += length;
    file->writeBuffer[file->bufferedLength] = '\0';
}

void CRKFileWriteSectionStart(CRKFile* file, const char* name) {
    if (!file) return;
    openCollection(file, '{');
    CRKFileWriteHashKey(file, name);
}

void CRKFileWriteSectionEnd(CRKFile* file) {
    if (!file) return;
    closeCollection(file, '}');
    CRKFileWriteBytes(file, "\n", 1);
}

void CRKFileWriteHashStart(CRKFile* file) {
    if (file) openCollection(file, '{');
}
void CRKFileWriteHashEnd(CRKFile* file) {
    if (file) closeCollection(file, '}');
}
void CRKFileWriteArrayStart(CRKFile* file) {
    if (file) openCollection(file, '[');
}
void CRKFileWriteArrayEnd(CRKFile* file) {
    if (file) closeCollection(file, ']');
}

void CRKFileWriteHashKey(CRKFile* file, const char* key) {
    if (!file) return;
    if (file->needsComma) CRKFileWriteBytes(file, ",", 1);
    writeQuoted(file, key ? key : "", true);
    file->needsComma = false;
}

void CRKFileWriteHashEntryUInt64(CRKFile* file, const char* key, uint64_t value) {
    if (!file) return;
    CRKFileWriteHashKey(file, key);
    writeUInt64Value(file, value);
    file->needsComma = true;
}

void CRKFileWriteHashEntryInt64(CRKFile* file, const char* key, int64_t value) {
    if (!file) return;
    CRKFileWriteHashKey(file, key);
    writeInt64Value(file, value);
    file->needsComma = true;
}

void CRKFileWriteHashEntryString(CRKFile* file, const char* key, const char* value) {
    if (!file) return;
    CRKFileWriteHashKey(file, key);
    writeStringValue(file, value);
    file->needsComma = true;
}

void CRKFileWriteHashEntryNSString(CRKFile* file, const char* key, const std::optional<std::string>& value) {
    if (!file) return;
    CRKFileWriteHashKey(file, key);
    if (value) {
        // A zero byte inside a string object would end the text early; what precedes it is written.
        writeStringValue(file, value->c_str());
    } else {
        writeStringValue(file, nullptr);
    }
    file->needsComma = true;
}

void CRKFileWriteHashEntryNSStringUnlessNilOrEmpty(CRKFile* file, const char* key,
                                                   const std::optional<std::string>& value) {
    if (!value || value->empty()) return;
    CRKFileWriteHashEntryNSString(file, key, value);
}

void CRKFileWriteHashEntryHexEncodedString(CRKFile* file, const char* key, const char* value) {
    if (!file) return;
    CRKFileWriteHashKey(file, key);
    writeHexValue(file, value);
    file->needsComma = true;
}

void CRKFileWriteHashEntryBoolean(CRKFile* file, const char* key, bool value) {
    if (!file) return;
    CRKFileWriteHashKey(file, key);
    CRKFileWriteBytes(file, value ? "true" : "false", value ? 4 : 5);
    file->needsComma = true;
}

void CRKFileWriteArrayEntryUInt64(CRKFile* file, uint64_t value) {
    if (!file) return;
    if (file->needsComma) CRKFileWriteBytes(file, ",", 1);
    writeUInt64Value(file, value);
    file->needsComma = true;
}

void CRKFileWriteArrayEntryString(CRKFile* file, const char* value) {
    if (!file) return;
    if (file->needsComma) CRKFileWriteBytes(file, ",", 1);
    writeStringValue(file, value);
    file->needsComma = true;
}

void CRKFileWriteArrayEntryHexEncodedString(CRKFile* file, const char* value) {
    if (!file) return;
    if (file->needsComma) CRKFileWriteBytes(file, ",", 1);
    writeHexValue(file, value);
    file->needsComma = true;
}

const char* CRKFileFormatUInt64(char buffer[21], uint64_t value, bool hex) {
    static const char digits[] = "0123456789abcdef";
    const uint64_t base = hex ? 16 : 10;
    for (int i = 0; i < 21; i++) buffer[i] = '\0';
    int at = 19;
    do {
        buffer[at] = digits[value % base];
        value /= base;
        if (value == 0) break;
        at--;
    } while (at >= 0);
    return buffer + at;
}

bool CRKFileDescriptorWriteUInt64(int descriptor, uint64_t value, bool hex) {
    char buffer[21];
    const char* digits = CRKFileFormatUInt64(buffer, value, hex);
    return CRKFileWriteToDescriptor(descriptor, digits, strlen(digits));
}

bool CRKFileDescriptorWriteInt64(int descriptor, int64_t value) {
    if (value < 0) {
        if (!CRKFileWriteToDescriptor(descriptor, "-", 1)) return false;
        return CRKFileDescriptorWriteUInt64(descriptor, 0 - static_cast<uint64_t>(value), false);
    }
    return CRKFileDescriptorWriteUInt64(descriptor, static_cast<uint64_t>(value), false);
}

bool CRKFileWriteToDescriptor(int descriptor, const void* bytes, size_t length) {
    return CRKFileWriteWithRetries(descriptor, bytes, length, ::write);
}

bool CRKFileWriteWithRetries(int descriptor, const void* bytes, size_t length, CRKFileWriter writer) {
    if (length == 0 || !bytes || !writer) return false;
    const char* cursor = static_cast<const char*>(bytes);
    size_t remaining = length;
    for (int call = 0; call < kMaximumWriteCalls; call++) {
        const ssize_t written = writer(descriptor, cursor, remaining);
        if (written <= 0 || static_cast<size_t>(written) > remaining) return false;
        if (static_cast<size_t>(written) == remaining) return true;
        cursor += written;
        remaining -= static_cast<size_t>(written);
    }
    return false;
}

}  // namespace reporting
