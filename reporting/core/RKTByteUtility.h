#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/base/Data.h"

namespace reporting {

// Hex, digest and identifier helpers of the kit. Free of shared state; any thread may call them.

// A new random UUID in its 36-character text form (upper-case hex digits and hyphens).
std::string RKTGenerateUUID();
// Clears 2 x count + 1 bytes of `out`, then writes two lower-case hex digits per byte, high nibble
// first. Nothing for a null `out`; only the cleared buffer for null or empty input.
void RKTHexEncodeBytes(const void* bytes, size_t count, char* out);
std::string RKTHexStringFromData(const platform::Data& data);
// SHA-1 (40 digits) and SHA-256 (64 digits) in lower-case hex.
std::string RKTSHA1HexString(const void* bytes, uint32_t length);
std::string RKTSHA1HexStringFromData(const platform::Data& data);
std::string RKTSHA256HexString(const void* bytes, uint32_t length);
std::string RKTSHA256HexStringFromData(const platform::Data& data);
// 32 lower-case hex digits of 16 bytes.
std::string RKTHexStringFromUUIDBytes(const uint8_t bytes[16]);

// Calls the block with each contiguous range of the data's bytes (our Data is one range), with the
// range's start and length; the block may set `stop`.
void RKTEnumerateByteRangesOfData(
    const platform::Data& data,
    const std::function<void(const uint8_t* bytes, size_t location, size_t length, bool& stop)>& block);

}  // namespace reporting
