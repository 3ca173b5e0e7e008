#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/DispatchQueue.h"
#include "reporting/core/OperationQueue.h"

namespace reporting {

// Small helpers of the crash kit. Those marked async-signal-safe may run at crash time.

// block(symbol name, image path) for the address: "unknown" for a part the loader does not know, both
// null when the address lies in no image.
void CRKDladdrWithBlock(uintptr_t address,
                        const std::function<void(const char* symbol, const char* image)>& block);

// Hex digits (async-signal-safe): two lower-case digits per byte; a digit's value, 255 for a non-digit;
// n bytes into a zeroed output of 2n+1 bytes.
void CRKHexEncodeByte(uint8_t byte, char out[2]);
uint8_t CRKHexDecodeDigit(char digit);
void CRKHexEncodeBytes(const void* bytes, size_t length, char* out);

// Copies memory of this process through the kernel, so an unmapped address fails instead of faulting;
// addresses below 4096 always fail (async-signal-safe).
bool CRKReadMemory(uintptr_t source, void* destination, size_t length);
// Checks that a zero-terminated string at the address is readable up to its terminator or `maximum`
// bytes, and on success gives the address back (async-signal-safe).
bool CRKReadString(uintptr_t address, const char** out, size_t maximum);

// Copies a string into the context's read-only region (from the heap once that region is protected,
// or when there is no context).
const char* CRKDupString(const char* text);

void CRKDispatchAfter(const std::shared_ptr<platform::DispatchQueue>& queue, const platform::Closure& block,
                      float seconds);
// Adds the block to the operation queue once the delay has passed (the delay is kept off the queue).
void CRKAddOperationAfter(double seconds, const std::shared_ptr<OperationQueue>& queue,
                          const std::function<void()>& block);
// Removes a file; a missing file counts as success.
bool CRKUnlinkIfExists(const char* path);

std::string CRKGenerateUUID();
std::string CRKNormalizeUUID(const std::string& uuid);
std::string CRKGenerateNormalizedUUID();

std::string CRKNSDataToHexString(const platform::Data& data);
// SHA-1 as 40 lower-case hex digits.
std::string CRKHashBytes(const void* bytes, size_t length);
std::string CRKHashNSData(const platform::Data& data);

// Maps a whole regular file read-only, as the executable-file readers keep it; false, with nothing left
// open, when it cannot be opened or is shorter than the minimum size.
bool CRKMapFile(const char* path, uint64_t minimumSize, int32_t* fd, uint64_t* mappedSize,
                const void** mappedFile);
void CRKUnmapFile(int32_t* fd, uint64_t* mappedSize, const void** mappedFile);

}  // namespace reporting
