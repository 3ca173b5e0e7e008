#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace reporting {

// Record files: plain text, one JSON object per line, each object holding one key (the section name)
// whose value is the section's content. They are written at the worst moment (inside a signal handler,
// while the process is torn down), so every writer below uses only async-signal-safe calls (open,
// write, close, fstat), allocates nothing, takes no locks, formats numbers itself and keeps its state
// in the handle, which lives on the writer's stack or in the kit's reserved context.
//
// Strings are escaped as JSON asks: a quote, a backslash or a control character in a path, a thread
// name or a message cannot break its line, and a byte that is not part of valid UTF-8 is written as
// U+FFFD, so every line the writer finishes reads back.

constexpr size_t CRKFileWriteBufferSize = 1000;

// One open record file.
struct CRKFile {
    int32_t descriptor = -1;
    int32_t collectionDepth = 0;
    bool needsComma = false;
    bool bufferingEnabled = false;
    uint64_t bufferedLength = 0;
    // Bytes that reached the file through this handle, plus the file's size at open time in append mode.
    uint64_t bytesWritten = 0;
    // The write buffer is part of the handle, so buffering needs no allocation either.
    char writeBuffer[CRKFileWriteBufferSize];
};

// Opening and closing.
bool CRKFileInitWithPathMode(CRKFile* file, const char* path, bool append, bool buffered);
bool CRKFileInitWithPath(CRKFile* file, const char* path, bool buffered);
bool CRKFileCloseWithOffset(CRKFile* file, uint64_t* offsetOut);
bool CRKFileClose(CRKFile* file);
bool CRKFileIsOpen(const CRKFile* file);
// Writes what the buffer holds now (nothing to do for an unbuffered handle); false when that write
// failed. A writer that ends each record with a flush puts every record in the file with one write.
bool CRKFileFlush(CRKFile* file);

// Structure writers. A failed write is not reported here: the line is left incomplete and the reader
// skips it.
void CRKFileWriteSectionStart(CRKFile* file, const char* name);
void CRKFileWriteSectionEnd(CRKFile* file);
void CRKFileWriteHashStart(CRKFile* file);
void CRKFileWriteHashEnd(CRKFile* file);
void CRKFileWriteArrayStart(CRKFile* file);
void CRKFileWriteArrayEnd(CRKFile* file);
void CRKFileWriteHashKey(CRKFile* file, const char* key);

void CRKFileWriteHashEntryUInt64(CRKFile* file, const char* key, uint64_t value);
void CRKFileWriteHashEntryInt64(CRKFile* file, const char* key, int64_t value);
// A null string is written as null.
void CRKFileWriteHashEntryString(CRKFile* file, const char* key, const char* value);
// The string object forms (not for crash time: they take a std::string). None is written as null.
void CRKFileWriteHashEntryNSString(CRKFile* file, const char* key, const std::optional<std::string>& value);
void CRKFileWriteHashEntryNSStringUnlessNilOrEmpty(CRKFile* file, const char* key,
                                                   const std::optional<std::string>& value);
void CRKFileWriteHashEntryHexEncodedString(CRKFile* file, const char* key, const char* value);
void CRKFileWriteHashEntryBoolean(CRKFile* file, const char* key, bool value);

void CRKFileWriteArrayEntryUInt64(CRKFile* file, uint64_t value);
void CRKFileWriteArrayEntryString(CRKFile* file, const char* value);
void CRKFileWriteArrayEntryHexEncodedString(CRKFile* file, const char* value);

// The single path by which every writer emits bytes.
void CRKFileWriteBytes(CRKFile* file, const void* bytes, size_t length);

// Unbuffered descriptor writers, used by the kit's diagnostic log.
bool CRKFileDescriptorWriteUInt64(int descriptor, uint64_t value, bool hex);
bool CRKFileDescriptorWriteInt64(int descriptor, int64_t value);
bool CRKFileWriteToDescriptor(int descriptor, const void* bytes, size_t length);

// Writes with at most 50 calls of the writer: a short write continues with the rest, a call that
// writes nothing, fails or claims more than asked fails at once. A length of 0 fails.
using CRKFileWriter = ssize_t (*)(int descriptor, const void* bytes, size_t length);
bool CRKFileWriteWithRetries(int descriptor, const void* bytes, size_t length, CRKFileWriter writer);

// Formats a value into a 21-byte zeroed buffer, from position 19 downwards, and answers where the
// digits start (decimal, or lower-case hexadecimal).
const char* CRKFileFormatUInt64(char buffer[21], uint64_t value, bool hex);

}  // namespace reporting
