#include "reporting/crash/image/CRKDwarfCursor.h"

#include <cstring>

#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKSafeMemoryReader.h"

namespace reporting {

namespace {

template <typename T>
T readValue(CRKDwarfCursor* cursor) {
    const uint8_t* at = CRKParseBytesAndAdvance(cursor, sizeof(T));
    T value = 0;
    if (at) memcpy(&value, at, sizeof(T));
    return value;
}

bool readGuarded(CRKSafeMemoryReader* memory, uint64_t address, uint64_t* value) {
    return memory ? memory->readUInt64(address, value)
                  : CRKSafeMemoryReader::readUncached(address, value, sizeof(*value));
}

}  // namespace

const uint8_t* CRKParseBytesAndAdvance(CRKDwarfCursor* cursor, size_t length) {
    if (!cursor) return nullptr;
    if (cursor->failed || !cursor->position || !cursor->end || cursor->position > cursor->end ||
        size_t(cursor->end - cursor->position) < length) {
        cursor->failed = true;
        return nullptr;
    }
    const uint8_t* at = cursor->position;
    cursor->position += length;
    return at;
}

uint8_t CRKParseUint8AndAdvance(CRKDwarfCursor* cursor) {
    return readValue<uint8_t>(cursor);
}
uint16_t CRKParseUint16AndAdvance(CRKDwarfCursor* cursor) {
    return readValue<uint16_t>(cursor);
}
uint32_t CRKParseUint32AndAdvance(CRKDwarfCursor* cursor) {
    return readValue<uint32_t>(cursor);
}
uint64_t CRKParseUint64AndAdvance(CRKDwarfCursor* cursor) {
    return readValue<uint64_t>(cursor);
}

uint64_t CRKParseULEB128AndAdvance(CRKDwarfCursor* cursor) {
    uint64_t result = 0;
    for (int i = 0; i < 8; i++) {
        const uint8_t* byte = CRKParseBytesAndAdvance(cursor, 1);
        if (!byte) return 0;
        result |= uint64_t(*byte & 0x7F) << (7 * i);
        if ((*byte & 0x80) == 0) break;
    }
    return result;
}

int64_t CRKParseLEB128AndAdvance(CRKDwarfCursor* cursor) {
    uint64_t result = 0;
    int shift = 0;
    uint8_t last = 0;
    for (int i = 0; i < 8; i++) {
        const uint8_t* byte = CRKParseBytesAndAdvance(cursor, 1);
        if (!byte) return 0;
        last = *byte;
        result |= uint64_t(last & 0x7F) << shift;
        shift += 7;
        if ((last & 0x80) == 0) break;
    }
    if ((last & 0x40) && shift < 64) result |= ~uint64_t(0) << shift;
    return int64_t(result);
}

const char* CRKParseStringAndAdvance(CRKDwarfCursor* cursor) {
    if (!cursor || cursor->failed || !cursor->position || cursor->position >= cursor->end) {
        if (cursor) cursor->failed = true;
        return nullptr;
    }
    const uint8_t* start = cursor->position;
    const void* nul = memchr(start, 0, size_t(cursor->end - start));
    if (!nul) {
        cursor->failed = true;
        return nullptr;
    }
    cursor->position = static_cast<const uint8_t*>(nul) + 1;
    return reinterpret_cast<const char*>(start);
}

uint64_t CRKParseRecordLengthAndAdvance(CRKDwarfCursor* cursor) {
    const uint64_t length = CRKParseUint32AndAdvance(cursor);
    if (length == 0xFFFFFFFFull) return CRKParseUint64AndAdvance(cursor);
    return length;
}

uint64_t CRKParseAddressWithEncodingAndAdvance(CRKDwarfCursor* cursor, uint8_t encoding,
                                               CRKSafeMemoryReader* memory) {
    if (encoding == 0xFF) return 0;
    if (!cursor || !cursor->position) return CRKDwarfInvalidAddress;
    const uint64_t start = reinterpret_cast<uintptr_t>(cursor->position);
    uint64_t value = 0;
    switch (encoding & 0x0F) {
        case 0x00:
        case 0x04:
        case 0x0C:
            value = CRKParseUint64AndAdvance(cursor);
            break;
        case 0x01:
            value = CRKParseULEB128AndAdvance(cursor);
            break;
        case 0x09:
            value = uint64_t(CRKParseLEB128AndAdvance(cursor));
            break;
        case 0x02:
            value = CRKParseUint16AndAdvance(cursor);
            break;
        case 0x0A:
            value = uint64_t(int64_t(int16_t(CRKParseUint16AndAdvance(cursor))));
            break;
        case 0x03:
            value = CRKParseUint32AndAdvance(cursor);
            break;
        case 0x0B:
            value = uint64_t(int64_t(int32_t(CRKParseUint32AndAdvance(cursor))));
            break;
        default:
            CRKUNWINDLOG_WARN("Unhandled: encoding 0x%x\n", uint32_t(encoding));
            return CRKDwarfInvalidAddress;
    }
    if (cursor->failed) return CRKDwarfInvalidAddress;
    switch (encoding & 0x70) {
        case 0x00:
            break;
        case 0x10:
            value += start;
            break;
        default:
            CRKUNWINDLOG_WARN("Unhandled: relative encoding 0x%x\n", uint32_t(encoding));
            return CRKDwarfInvalidAddress;
    }
    if (encoding & 0x80) {
        uint64_t indirect = 0;
        if (value == 0 || !readGuarded(memory, value, &indirect)) return CRKDwarfInvalidAddress;
        value = indirect;
    }
    return value;
}

}  // namespace reporting
