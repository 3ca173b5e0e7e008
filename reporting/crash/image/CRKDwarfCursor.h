#pragma once

#include <cstddef>
#include <cstdint>

namespace reporting {

class CRKSafeMemoryReader;

// Readers of the DWARF-encoded values in an image's sections (its call-frame index and section, read
// when the image is recorded and again by the unwinder at crash time). They allocate nothing and never
// read past the end their cursor names.

constexpr uint64_t CRKDwarfInvalidAddress = ~uint64_t(0);

// A position in a section and the end it must not pass. A read that would pass the end yields 0,
// leaves the position where it was and marks the cursor failed; callers check `failed` once after a
// group of reads.
struct CRKDwarfCursor {
    const uint8_t* position = nullptr;
    const uint8_t* end = nullptr;
    bool failed = false;
};

// Byte-stream readers, each advancing the cursor. The bytes: the start of `length` bytes, or null.
const uint8_t* CRKParseBytesAndAdvance(CRKDwarfCursor* cursor, size_t length);
uint8_t CRKParseUint8AndAdvance(CRKDwarfCursor* cursor);
uint16_t CRKParseUint16AndAdvance(CRKDwarfCursor* cursor);
uint32_t CRKParseUint32AndAdvance(CRKDwarfCursor* cursor);
uint64_t CRKParseUint64AndAdvance(CRKDwarfCursor* cursor);
uint64_t CRKParseULEB128AndAdvance(CRKDwarfCursor* cursor);
int64_t CRKParseLEB128AndAdvance(CRKDwarfCursor* cursor);
// The start of a NUL-terminated string; the cursor moves past the NUL. A string without its NUL
// before the end fails the cursor.
const char* CRKParseStringAndAdvance(CRKDwarfCursor* cursor);
// A record's initial length: 32 bits, or 0xFFFFFFFF followed by a 64-bit length.
uint64_t CRKParseRecordLengthAndAdvance(CRKDwarfCursor* cursor);
// A pointer in the given encoding; CRKDwarfInvalidAddress when it cannot be read or the encoding is
// not handled. 0xFF (omit) answers 0 and reads nothing. An indirect pointer is read through `memory`
// (or an uncached guarded read when null).
uint64_t CRKParseAddressWithEncodingAndAdvance(CRKDwarfCursor* cursor, uint8_t encoding,
                                               CRKSafeMemoryReader* memory);

}  // namespace reporting
